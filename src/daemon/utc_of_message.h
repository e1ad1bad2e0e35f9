#pragma once

#include <optional>

#include "engine/ubx_messages.h"
#include "service/chrony_sample.h"

namespace orvane {

// NAV-TIMEUTC `valid` bit: the UTC fields are valid (leap seconds known).
inline constexpr std::uint8_t kNavTimeUtcValidUtc = 0x04;

// The UTC instant a NAV-TIMEUTC names, nano included; nullopt unless the receiver marks UTC valid
// and the date and time exist. A leap second (sec 60) has no place on the host's time scale and
// gives nullopt too.
std::optional<RealTime> UtcOfMessage(const NavTimeUtc& time);

}  // namespace orvane
