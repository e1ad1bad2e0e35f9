#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

// What the simulated device sees of its GNSS receiver: a byte stream in time, a UBX input port,
// and the state the device reports in its flags and reference counts. The receiver model and the
// capture replay both stand behind it.
class ReceiverStream {
 public:
  virtual ~ReceiverStream() = default;

  // Appends to `out`, in order, every byte the receiver emits up to `since_power_up`.
  // Calls come with non-decreasing times.
  virtual void EmitUntil(std::chrono::nanoseconds since_power_up,
                         std::vector<std::uint8_t>& out) = 0;
  // A UBX message from the host, as the device hands it on (sync characters and checksum added by
  // the device are not part of it).
  virtual void Receive(std::uint8_t msg_class, std::uint8_t msg_id,
                       std::span<const std::uint8_t> payload) = 0;
  // The receiver tracks satellites (the device's "no GNSS signal" flag is the opposite).
  virtual bool HasSignal(std::chrono::nanoseconds since_power_up) const = 0;
  // The local oscillator's frequency offset as the receiver sees it, parts per billion.
  virtual double ClockDriftPpb(std::chrono::nanoseconds since_power_up) const = 0;
};

}  // namespace orvane
