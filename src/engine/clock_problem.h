#pragma once

#include <string>

#include "engine/clock_session.h"

namespace orvane {

// Why a listed clock cannot be used, as `orvanectl list` and the service's list say it: held by
// another program, not allowed, or reports too short; empty when it can be used.
std::string ClockProblemText(const ClockSession::OpenResult& open, bool reports_usable);

}  // namespace orvane
