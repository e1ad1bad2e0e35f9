#pragma once

#include <optional>

#include "engine/ubx_messages.h"
#include "service/chrony_sample.h"

namespace orvane {

// A leap second the receiver announced: when it takes effect and which way.
struct LeapEvent {
  RealTime at;  // 00:00:00 UTC of the day after the last second of June or December
  LeapIndicator leap = LeapIndicator::kNone;
  bool operator==(const LeapEvent&) const = default;
};

// The change a NAV-TIMELS announces, `utc` being the receiver's UTC when it was sent: an
// insertion or deletion from a named source with a valid time to the event, which must fall at
// the end of June or December (to the minute: `utc` may be seconds off the message's own time).
// Anything else is receiver noise: nullopt.
std::optional<LeapEvent> AnnouncedLeap(const NavTimeLs& leap, RealTime utc);

// What a sample of time `utc` tells chronyd: the announced leap only within the last day before
// it takes effect, the one day chronyd accepts it on.
LeapIndicator LeapIndicatorAt(const std::optional<LeapEvent>& event, RealTime utc);

}  // namespace orvane
