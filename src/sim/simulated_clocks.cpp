#include "sim/simulated_clocks.h"

#include <string>

#include "sim/capture_replay.h"
#include "sim/default_receiver.h"

namespace orvane {

std::unique_ptr<SimulatedBackend> MakeSimulatedClocks(
    MonotonicClock& clock, int count, std::shared_ptr<const std::vector<std::uint8_t>> capture,
    SimScenario scenario) {
  auto backend = std::make_unique<SimulatedBackend>(clock);
  for (int i = 0; i < count; ++i) {
    ClockDeviceOptions options;
    options.serial = "G" + std::to_string(60031 + i);
    // Front ends run for months and never read what the device received.
    options.record_received = false;
    if (capture) {
      options.make_receiver = [capture] { return std::make_unique<CaptureReplay>(*capture); };
    } else if (scenario != SimScenario::kNone) {
      options.make_receiver = [scenario] { return MakeDefaultReceiver(scenario); };
    }
    backend->AddDevice(options);
  }
  return backend;
}

}  // namespace orvane
