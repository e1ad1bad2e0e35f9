#include "device/trace_log.h"

#include <charconv>

namespace orvane {

TraceLog::TraceLog(std::ostream* out, const MonotonicClock& clock) : out_(out), clock_(clock) {}

void TraceLog::Write(std::string_view serial, std::string_view kind, std::string_view rest) {
  if (out_ == nullptr) return;
  const double seconds = std::chrono::duration<double>(clock_.Now()).count();
  // to_chars, unlike printf, ignores the locale the window's toolkit sets from the environment.
  char stamp[32];
  const auto end =
      std::to_chars(stamp, stamp + sizeof stamp, seconds, std::chars_format::fixed, 3).ptr;
  std::lock_guard lock(mutex_);
  *out_ << std::string_view(stamp, end) << ' ' << (serial.empty() ? std::string_view("-") : serial)
        << ' ' << kind;
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
