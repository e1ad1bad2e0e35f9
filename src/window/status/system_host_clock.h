#pragma once

#include "window/status/host_clock.h"

namespace orvane {

// The real system clock. On Linux through clock_settime(CLOCK_REALTIME), which needs
// CAP_SYS_TIME; elsewhere it answers "not supported".
class SystemHostClock : public HostClock {
 public:
  std::string Set(const UtcTime& time) override;
};

}  // namespace orvane
