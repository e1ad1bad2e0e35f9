#pragma once

#include <cstdint>
#include <mutex>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "device/monotonic_clock.h"

namespace orvane {

// The event trace that tools and tests read, one line per event:
//   <seconds since start, 3 decimals> <serial or -> <kind> <rest>
// Safe to call from the HID reader thread as well as the window thread.
class TraceLog {
 public:
  // `out` may be null: then nothing is written.
  TraceLog(std::ostream* out, const MonotonicClock& clock);

  void Write(std::string_view serial, std::string_view kind, std::string_view rest);
  bool enabled() const { return out_ != nullptr; }

 private:
  std::mutex mutex_;
  std::ostream* out_;
  const MonotonicClock& clock_;
};

// Bytes as two-digit upper-case hex, separated by single spaces.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace orvane
