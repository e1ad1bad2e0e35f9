#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/receiver_stream.h"

namespace orvane {

// A recorded receiver capture played back as the receiver's stream, byte for byte and looping at
// its end, at the pace of the receiver's 115200-baud serial link. The receiver behind it cannot be
// configured, so host messages are ignored; it always has a signal and reports no drift.
class CaptureReplay : public ReceiverStream {
 public:
  // Bytes per second on an 8N1 serial link at 115200 baud.
  static constexpr std::int64_t kBytesPerSecond = 11520;

  explicit CaptureReplay(std::vector<std::uint8_t> capture);

  // After t seconds, floor(t * kBytesPerSecond) bytes have been emitted in total. An empty capture
  // emits nothing.
  void EmitUntil(std::chrono::nanoseconds since_power_up, std::vector<std::uint8_t>& out) override;
  void Receive(std::uint8_t msg_class, std::uint8_t msg_id,
               std::span<const std::uint8_t> payload) override;
  bool HasSignal(std::chrono::nanoseconds since_power_up) const override;
  double ClockDriftPpb(std::chrono::nanoseconds since_power_up) const override;

 private:
  std::vector<std::uint8_t> capture_;
  std::int64_t emitted_ = 0;
};

// Reads a capture file whole. Returns nullopt with the reason in `error` when the file is
// missing, unreadable or empty.
std::optional<std::vector<std::uint8_t>> LoadCaptureFile(const std::filesystem::path& path,
                                                         std::string& error);

}  // namespace orvane
