#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

// A complete UBX frame: sync characters, class, id, little-endian length, payload, checksum.
std::vector<std::uint8_t> BuildUbxFrame(std::uint8_t msg_class, std::uint8_t msg_id,
                                        std::span<const std::uint8_t> payload);

// Appends the same frame to `out` (no allocation when `out` has room).
void AppendUbxFrame(std::uint8_t msg_class, std::uint8_t msg_id,
                    std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out);

}  // namespace orvane
