#pragma once

#include <memory>
#include <string>

#include "daemon/daemon_options.h"
#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"

namespace orvane {

// The clocks the options name: USB devices through hidapi, or `--simulate` clocks with serials
// G60031, G60032, ..., each replaying `--sim-ubx` when given. nullptr and `*error` when the
// capture cannot be read.
std::unique_ptr<HidBackend> MakeDaemonBackend(const DaemonOptions& options, MonotonicClock& clock,
                                              TraceLog& trace, std::string* error);

}  // namespace orvane
