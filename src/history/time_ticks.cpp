#include "history/time_ticks.h"

#include <chrono>
#include <cstdio>

namespace orvane {
namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kSteps[] = {
    kSecond,         2 * kSecond,     5 * kSecond,     10 * kSecond,       15 * kSecond,
    30 * kSecond,    60 * kSecond,    120 * kSecond,   300 * kSecond,      600 * kSecond,
    900 * kSecond,   1800 * kSecond,  3600 * kSecond,  7200 * kSecond,     10800 * kSecond,
    21600 * kSecond, 43200 * kSecond, 86400 * kSecond, 2 * 86400 * kSecond};

std::string Label(std::int64_t time_ms, bool seconds, bool date) {
  using namespace std::chrono;
  const sys_time<milliseconds> time{milliseconds(time_ms)};
  const sys_days day = floor<days>(time);
  const year_month_day ymd{day};
  const hh_mm_ss<milliseconds> clock{time - day};
  char text[32];
  int at = 0;
  if (date)
    at = std::snprintf(text, sizeof text, "%02u-%02u ", unsigned{ymd.month()}, unsigned{ymd.day()});
  at += std::snprintf(text + at, sizeof text - static_cast<std::size_t>(at), "%02d:%02d",
                      static_cast<int>(clock.hours().count()),
                      static_cast<int>(clock.minutes().count()));
  if (seconds)
    std::snprintf(text + at, sizeof text - static_cast<std::size_t>(at), ":%02d",
                  static_cast<int>(clock.seconds().count()));
  return text;
}

}  // namespace

std::vector<TimeTick> TimeTicks(std::int64_t from_ms, std::int64_t to_ms, int max_ticks) {
  std::vector<TimeTick> ticks;
  if (to_ms <= from_ms || max_ticks < 1) return ticks;
  std::int64_t step = kSteps[std::size(kSteps) - 1];
  for (const std::int64_t candidate : kSteps) {
    if ((to_ms - from_ms) / candidate < max_ticks) {
      step = candidate;
      break;
    }
  }
  const bool date = to_ms - from_ms >= 20 * 3600 * kSecond;
  // The first multiple of the step at or after from_ms.
  std::int64_t time = from_ms / step * step;
  if (time < from_ms) time += step;
  for (; time <= to_ms; time += step)
    ticks.push_back({time, Label(time, step < 60 * kSecond, date)});
  return ticks;
}

}  // namespace orvane
