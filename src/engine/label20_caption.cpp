#include "engine/label20_caption.h"

#include <cstdio>

#include "protocol/byte_order.h"
#include "protocol/ubx_ids.h"

namespace orvane {

namespace {

constexpr std::size_t kRxm52Length = 8;
constexpr std::size_t kMon1EBytesShown = 21;

// " " and the byte in hex, for each byte.
void AppendHexBytes(std::span<const std::uint8_t> bytes, std::string& text) {
  for (std::uint8_t byte : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%X", unsigned{byte});
    text += ' ';
    text += hex;
  }
}

}  // namespace

std::optional<std::string> Label20Caption(const UbxFrame& frame) {
  const auto payload = frame.payload;
  const std::string length_text = std::to_string(payload.size()) + " ";
  if (frame.msg_class == kUbxClassRxm && frame.msg_id == kUbxIdRxm52) {
    if (payload.size() < kRxm52Length) return std::nullopt;
    std::string text = length_text;
    AppendHexBytes(payload.first(4), text);
    return text + " " + std::to_string(ReadI32(payload, 4));
  }
  if (frame.msg_class != kUbxClassMon) return std::nullopt;
  if (frame.msg_id == kUbxIdMon11 || frame.msg_id == kUbxIdMon1B) return length_text;
  if (frame.msg_id == kUbxIdMon1E) {
    if (payload.size() < kMon1EBytesShown) return std::nullopt;
    std::string text = " ";
    AppendHexBytes(payload.first(kMon1EBytesShown), text);
    return text;
  }
  return std::nullopt;
}

}  // namespace orvane
