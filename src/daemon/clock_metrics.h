#pragma once

#include <span>
#include <string>

#include "daemon/clock_reading.h"

namespace orvane {

// The clocks' metrics in the Prometheus text format: every family once, with its HELP and TYPE,
// one series per clock (labelled `serial`) and per received satellite (`serial`, `gnss`, `sv`).
// A value a clock has not reported is left out rather than shown as 0.
std::string ClockMetricsText(std::span<const ClockReading> clocks);

}  // namespace orvane
