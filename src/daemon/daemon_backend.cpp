#include "daemon/daemon_backend.h"

#include <optional>
#include <vector>

#include "device/hid/hidapi_backend.h"
#include "sim/capture_replay.h"
#include "sim/simulated_backend.h"

namespace orvane {

std::unique_ptr<HidBackend> MakeDaemonBackend(const DaemonOptions& options, MonotonicClock& clock,
                                              TraceLog& trace, std::string* error) {
  if (options.simulate == 0) return std::make_unique<HidapiBackend>(&trace);
  std::shared_ptr<const std::vector<std::uint8_t>> capture;
  if (!options.sim_ubx.empty()) {
    std::optional<std::vector<std::uint8_t>> bytes = LoadCaptureFile(options.sim_ubx, *error);
    if (!bytes) return nullptr;
    capture = std::make_shared<const std::vector<std::uint8_t>>(std::move(*bytes));
  }
  auto backend = std::make_unique<SimulatedBackend>(clock);
  for (int i = 0; i < options.simulate; ++i) {
    ClockDeviceOptions device;
    device.serial = "G" + std::to_string(60031 + i);
    device.record_received = false;
    if (capture) {
      device.make_receiver = [capture] { return std::make_unique<CaptureReplay>(*capture); };
    }
    backend->AddDevice(device);
  }
  return backend;
}

}  // namespace orvane
