#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

struct TimeTick {
  std::int64_t time_ms = 0;
  std::string label;
};

// Ticks of a UTC time axis over [from_ms, to_ms] at the smallest round step (1 s ... 1 day) that
// gives at most `max_ticks`. Labels are HH:MM:SS for steps below a minute, HH:MM above, with the
// date in front of each when the axis spans most of a day or more, so that no two are alike.
std::vector<TimeTick> TimeTicks(std::int64_t from_ms, std::int64_t to_ms, int max_ticks);

}  // namespace orvane
