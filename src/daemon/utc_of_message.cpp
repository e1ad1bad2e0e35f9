#include "daemon/utc_of_message.h"

#include <chrono>

namespace orvane {

std::optional<RealTime> UtcOfMessage(const NavTimeUtc& time) {
  using namespace std::chrono;
  if ((time.valid & kNavTimeUtcValidUtc) == 0) return std::nullopt;
  const year_month_day date{year{time.year}, month{time.month}, day{time.day}};
  if (!date.ok() || time.hour > 23 || time.min > 59 || time.sec > 59) return std::nullopt;
  return sys_days(date) + hours(time.hour) + minutes(time.min) + seconds(time.sec) +
         nanoseconds(time.nano);
}

}  // namespace orvane
