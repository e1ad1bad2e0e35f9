#pragma once

#include <string>

#include "control/control_values.h"
#include "engine/live_status.h"

namespace orvane {

// Texts for people: "-" where nothing is known yet.
std::string SatellitesText(const LiveStatus& status);
std::string OffsetText(const LiveStatus& status);
std::string AccuracyText(const LiveStatus& status);
std::string PllReferenceText(const LiveStatus& status);

}  // namespace orvane
