#include "window/status/system_host_clock.h"

#ifdef __linux__
#include <cerrno>
#include <ctime>
#endif

namespace orvane {

namespace {

// timegm() would quietly roll an impossible date into a real one; a leap second (60) is one
// of those, and the clock is set again at the next whole second anyway.
bool IsCalendarTime(const UtcTime& time) {
  return time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31 && time.hour < 24 &&
         time.minute < 60 && time.second < 60 && time.milliseconds < 1000;
}

#ifdef __linux__
std::string ErrorName(int error) {
  switch (error) {
    case EPERM:
      return "EPERM";
    case EINVAL:
      return "EINVAL";
    case EACCES:
      return "EACCES";
    default:
      return "errno " + std::to_string(error);
  }
}
#endif

}  // namespace

std::string SystemHostClock::Set(const UtcTime& time) {
  if (!IsCalendarTime(time)) return "EINVAL";
#ifdef __linux__
  std::tm fields{};
  fields.tm_year = time.year - 1900;
  fields.tm_mon = time.month - 1;
  fields.tm_mday = time.day;
  fields.tm_hour = time.hour;
  fields.tm_min = time.minute;
  fields.tm_sec = time.second;
  const std::time_t seconds = timegm(&fields);
  if (fields.tm_mday != time.day) return "EINVAL";  // 31 April and the like
  const timespec value{.tv_sec = seconds, .tv_nsec = long{time.milliseconds} * 1'000'000};
  if (clock_settime(CLOCK_REALTIME, &value) != 0) return ErrorName(errno);
  return "ok";
#else
  return "not supported";
#endif
}

}  // namespace orvane
