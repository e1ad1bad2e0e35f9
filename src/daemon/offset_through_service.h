#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "daemon/offset_estimate.h"
#include "daemon/sample_gate.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"

namespace orvane {

// `--estimate-offset` while orvaned already serves the clocks: each served clock's stream comes
// through a subscription on the control socket at `socket`, and every NAV-TIMEUTC the gate lets
// through (once a clock's subscription is 2 s old, as the service's own feed waits) adds the
// offset chronyd would get. Runs for `duration` or until `stopped`. nullopt when no service there
// serves a clock: the caller opens the clocks itself.
std::optional<std::map<std::string, OffsetEstimate>> EstimateOffsetsThroughService(
    const std::string& socket, std::chrono::nanoseconds duration, SampleGateSettings gate,
    MonotonicClock& clock, TraceLog& trace, const std::function<bool()>& stopped);

}  // namespace orvane
