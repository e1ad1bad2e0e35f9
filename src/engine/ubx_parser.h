#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "protocol/ubx_checksum.h"

namespace orvane {

// One checksum-verified UBX frame. The payload view lives only as long as the callback.
struct UbxFrame {
  std::uint8_t msg_class = 0;
  std::uint8_t msg_id = 0;
  std::span<const std::uint8_t> payload;
};

// Where the parser stands in a frame; the values are the receiver's state numbers 0 to 8.
enum class UbxParseState : std::uint8_t {
  kSync1 = 0,
  kSync2 = 1,
  kClass = 2,
  kId = 3,
  kLengthLow = 4,
  kLengthHigh = 5,
  kPayload = 6,
  kChecksumA = 7,
  kChecksumB = 8,
};

// Reassembles UBX frames from the receiver's byte stream, one byte at a time. A byte that fails a
// sync or plausibility test is dropped and never looked at again, so 0xB5 0xB5 0x62 does not start
// a frame. Frames whose checksum fails are dropped silently.
class UbxParser {
 public:
  using FrameHandler = std::function<void(const UbxFrame&)>;

  // Declared lengths from here up are taken for a false sync: the receiver never sends them.
  static constexpr std::uint16_t kMaxPayloadLength = 32767;

  explicit UbxParser(FrameHandler on_frame);

  void UbxParseByte(std::uint8_t byte);
  void Parse(std::span<const std::uint8_t> bytes);

  UbxParseState UbxState() const { return ubx_state_; }
  // Forgets a frame in progress: the next byte is looked at as a first sync byte.
  void Reset() { ubx_state_ = UbxParseState::kSync1; }

 private:
  FrameHandler on_frame_;
  UbxParseState ubx_state_ = UbxParseState::kSync1;
  std::uint8_t ubx_class_ = 0;
  std::uint8_t ubx_id_ = 0;
  std::uint16_t ubx_length_ = 0;
  std::uint16_t ubx_index_ = 0;
  UbxChecksumState ubx_checksum_;
  std::array<std::uint8_t, kMaxPayloadLength> ubx_payload_{};
};

}  // namespace orvane
