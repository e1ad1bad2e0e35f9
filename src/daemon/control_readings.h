#pragma once

#include <string>

#include "control/control_protocol.h"
#include "daemon/served_clock.h"

namespace orvane {

// The reply line to `readback` (identity as read at the connection, the configuration fetched
// now), `show` (the same and the live status) or `status` (the live status of the service's own
// polls), run on the clock's worker between two polls.
std::string ReadingReply(ServedClock& clock, const ControlRequest& request);

}  // namespace orvane
