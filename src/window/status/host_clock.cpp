#include "window/status/host_clock.h"

#include <cstdio>

namespace orvane {

std::string UtcTimeText(const UtcTime& time) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", unsigned{time.year},
                unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                unsigned{time.minute}, unsigned{time.second}, unsigned{time.milliseconds});
  return text;
}

}  // namespace orvane
