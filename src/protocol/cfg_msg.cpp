#include "protocol/cfg_msg.h"

namespace orvane {

std::array<std::uint8_t, kCfgMsgLength> EncodeCfgMsg(const CfgMsg& message) {
  return {message.msg_class, message.msg_id, message.rate, 0, 0, 0, 0, 0};
}

std::optional<CfgMsg> DecodeCfgMsg(std::span<const std::uint8_t> payload) {
  if (payload.size() != kCfgMsgLength && payload.size() != 3) return std::nullopt;
  return CfgMsg{.msg_class = payload[0], .msg_id = payload[1], .rate = payload[2]};
}

}  // namespace orvane
