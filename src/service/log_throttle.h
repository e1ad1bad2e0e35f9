#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

// Lets through the first few of a kind of log line per period and counts the rest, so that a
// flood of connections costs a few lines rather than filling the journal's rate limit (which
// would then swallow the lines that matter).
class LogThrottle {
 public:
  static constexpr int kLinesPerPeriod = 5;
  static constexpr std::chrono::seconds kPeriod{60};

  // Whether a line at monotonic time `now` is written; if not, it is counted.
  bool Allow(std::chrono::nanoseconds now);
  // Once a period with held-back lines has ended: "N more <what> in the last minute".
  std::optional<std::string> Summary(std::chrono::nanoseconds now, const std::string& what);
  // When Summary has something to say; nullopt while nothing is held back.
  std::optional<std::chrono::nanoseconds> summary_due() const;

 private:
  std::chrono::nanoseconds period_start_{0};
  bool started_ = false;
  int written_ = 0;
  std::uint64_t held_back_ = 0;
};

}  // namespace orvane
