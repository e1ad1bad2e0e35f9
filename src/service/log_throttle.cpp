#include "service/log_throttle.h"

namespace orvane {

bool LogThrottle::Allow(std::chrono::nanoseconds now) {
  // A period with lines held back ends with its summary, not here.
  if (held_back_ == 0 && (!started_ || now - period_start_ >= kPeriod)) {
    started_ = true;
    period_start_ = now;
    written_ = 0;
  }
  if (written_ < kLinesPerPeriod) {
    ++written_;
    return true;
  }
  ++held_back_;
  return false;
}

std::optional<std::string> LogThrottle::Summary(std::chrono::nanoseconds now,
                                                const std::string& what) {
  if (held_back_ == 0 || now - period_start_ < kPeriod) return std::nullopt;
  std::string line = std::to_string(held_back_) + " more " + what + " in the last minute";
  held_back_ = 0;
  period_start_ = now;
  written_ = 0;
  return line;
}

std::optional<std::chrono::nanoseconds> LogThrottle::summary_due() const {
  if (held_back_ == 0) return std::nullopt;
  return period_start_ + kPeriod;
}

}  // namespace orvane
