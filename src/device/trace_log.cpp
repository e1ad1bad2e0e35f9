#include "device/trace_log.h"

#include <cstdio>

namespace orvane {

TraceLog::TraceLog(std::ostream* out, const MonotonicClock& clock) : out_(out), clock_(clock) {}

void TraceLog::Write(std::string_view serial, std::string_view kind, std::string_view rest) {
  if (out_ == nullptr) return;
  const double seconds = std::chrono::duration<double>(clock_.Now()).count();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.3f", seconds);
  std::lock_guard lock(mutex_);
  *out_ << stamp << ' ' << (serial.empty() ? std::string_view("-") : serial) << ' ' << kind;
  if (!rest.empty()) *out_ << ' ' << rest;
  *out_ << '\n';
  out_->flush();
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text.push_back(' ');
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

}  // namespace orvane
