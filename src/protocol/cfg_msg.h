#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// UBX CFG-MSG: emit message (msg_class, msg_id) every `rate` navigation solutions on port 0, the
// port the device reads.
struct CfgMsg {
  std::uint8_t msg_class = 0;
  std::uint8_t msg_id = 0;
  std::uint8_t rate = 0;
  bool operator==(const CfgMsg&) const = default;
};

// The 8-byte form the program sends: rates for ports 0 to 5, ports 1 to 5 at 0.
inline constexpr std::size_t kCfgMsgLength = 8;
std::array<std::uint8_t, kCfgMsgLength> EncodeCfgMsg(const CfgMsg& message);
// Takes the 8-byte form and the 3-byte form (one rate); both carry port 0's rate in byte 2.
// nullopt for any other length.
std::optional<CfgMsg> DecodeCfgMsg(std::span<const std::uint8_t> payload);

}  // namespace orvane
