#include "engine/ubx_parser.h"

#include <algorithm>
#include <utility>

#include "protocol/ubx_ids.h"

namespace orvane {

namespace {
// Never a class, an id or a length's high byte in real traffic.
constexpr std::uint8_t kImplausible = 0xFF;
}  // namespace

UbxParser::UbxParser(FrameHandler on_frame) : on_frame_(std::move(on_frame)) {}

void UbxParser::UbxParseByte(std::uint8_t byte) {
  using State = UbxParseState;
  switch (ubx_state_) {
    case State::kSync1:
      if (byte == kUbxSync1) ubx_state_ = State::kSync2;
      return;
    case State::kSync2:
      if (byte == kUbxSync2) {
        ubx_checksum_ = {};
        ubx_state_ = State::kClass;
      } else {
        ubx_state_ = State::kSync1;
      }
      return;
    case State::kClass:
      if (byte == kImplausible) {
        ubx_state_ = State::kSync1;
        return;
      }
      ubx_checksum_.Add(byte);
      ubx_class_ = byte;
      ubx_state_ = State::kId;
      return;
    case State::kId:
      if (byte == kImplausible) {
        ubx_state_ = State::kSync1;
        return;
      }
      ubx_checksum_.Add(byte);
      ubx_id_ = byte;
      ubx_state_ = State::kLengthLow;
      return;
    case State::kLengthLow:
      ubx_checksum_.Add(byte);
      ubx_length_ = byte;
      ubx_state_ = State::kLengthHigh;
      return;
    case State::kLengthHigh: {
      // High bytes 0x80 and up (0xFF included) are a false sync inside some payload.
      if (byte > (kMaxPayloadLength >> 8)) {
        ubx_state_ = State::kSync1;
        return;
      }
      ubx_checksum_.Add(byte);
      ubx_length_ = static_cast<std::uint16_t>(byte << 8 | ubx_length_);
      ubx_index_ = 0;
      // An empty payload has no byte to wait for.
      ubx_state_ = ubx_length_ == 0 ? State::kChecksumA : State::kPayload;
      return;
    }
    case State::kPayload:
      ubx_checksum_.Add(byte);
      ubx_payload_[ubx_index_++] = byte;
      if (ubx_index_ == ubx_length_) ubx_state_ = State::kChecksumA;
      return;
    case State::kChecksumA:
      ubx_state_ = byte == ubx_checksum_.ck_a ? State::kChecksumB : State::kSync1;
      return;
    case State::kChecksumB:
      ubx_state_ = State::kSync1;
      if (byte == ubx_checksum_.ck_b) {
        on_frame_(UbxFrame{ubx_class_, ubx_id_, std::span(ubx_payload_).first(ubx_length_)});
      }
      return;
  }
}

void UbxParser::Parse(std::span<const std::uint8_t> bytes) {
  // Same transitions as byte by byte, but the two states that run long (between frames, and in a
  // payload) take their bytes in bulk.
  auto next = bytes.begin();
  while (next != bytes.end()) {
    if (ubx_state_ == UbxParseState::kSync1) {
      next = std::find(next, bytes.end(), kUbxSync1);
      if (next == bytes.end()) return;
    } else if (ubx_state_ == UbxParseState::kPayload) {
      const auto count = std::min<std::ptrdiff_t>(bytes.end() - next, ubx_length_ - ubx_index_);
      const std::span<const std::uint8_t> chunk(next, static_cast<std::size_t>(count));
      ubx_checksum_.Add(chunk);
      std::copy(chunk.begin(), chunk.end(), ubx_payload_.begin() + ubx_index_);
      ubx_index_ = static_cast<std::uint16_t>(ubx_index_ + count);
      next += count;
      if (ubx_index_ == ubx_length_) ubx_state_ = UbxParseState::kChecksumA;
      continue;
    }
    UbxParseByte(*next++);
  }
}

}  // namespace orvane
