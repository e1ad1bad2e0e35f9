#include "daemon/leap_second.h"

#include <chrono>

namespace orvane {
namespace {

constexpr std::uint8_t kTimeToEventValid = 0x02;

}  // namespace

std::optional<LeapEvent> AnnouncedLeap(const NavTimeLs& leap, RealTime utc) {
  using namespace std::chrono;
  if ((leap.valid & kTimeToEventValid) == 0 || leap.src_of_ls_change == 0 ||
      leap.time_to_ls_event <= 0 || (leap.ls_change != 1 && leap.ls_change != -1)) {
    return std::nullopt;
  }
  const RealTime at = round<minutes>(utc + seconds(leap.time_to_ls_event));
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  if (at != day || date.day() != std::chrono::day{1} ||
      (date.month() != January && date.month() != July)) {
    return std::nullopt;
  }
  return LeapEvent{
      at, leap.ls_change == 1 ? LeapIndicator::kInsertSecond : LeapIndicator::kDeleteSecond};
}

LeapIndicator LeapIndicatorAt(const std::optional<LeapEvent>& event, RealTime utc) {
  if (!event || utc >= event->at || utc < event->at - std::chrono::days(1)) {
    return LeapIndicator::kNone;
  }
  return event->leap;
}

}  // namespace orvane
