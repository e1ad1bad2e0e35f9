#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "sim/simulated_clocks.h"  // kMaxSimulatedClocks

namespace orvane {

// What the global options ask the clocks to be: real ones through hidapi, or simulated.
struct BackendRequest {
  int simulate = 0;     // simulated clocks; 0: real devices (unless a capture is given)
  std::string sim_ubx;  // capture the simulated receivers replay; empty: the built-in model
  SimScenario scenario = SimScenario::kNone;  // what the built-in model plays

  // How many simulated clocks these options stand for: a capture or a scenario alone means one;
  // 0: real ones.
  int SimulatedCount() const {
    return simulate == 0 && sim_ubx.empty() && scenario == SimScenario::kNone
               ? 0
               : std::max(simulate, 1);
  }
};

// The backend for `request`, as the window builds it for the same options (real clocks each under
// their ClockLock); nullptr with the reason in `error` when the capture cannot be read.
std::unique_ptr<HidBackend> MakeBackend(const BackendRequest& request, MonotonicClock& clock,
                                        TraceLog& trace, std::string& error);

}  // namespace orvane
