#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

// Appends one complete UBX frame rebuilt from what the parser verified: sync characters, class,
// id, little-endian length, payload and the protocol's checksum. A recording made of these
// replays frame for frame.
void AppendUbxFrameBytes(std::uint8_t msg_class, std::uint8_t msg_id,
                         std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out);

}  // namespace orvane
