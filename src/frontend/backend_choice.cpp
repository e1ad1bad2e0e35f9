#include "frontend/backend_choice.h"

#include "device/hid/hidapi_backend.h"
#include "device/hid/locking_backend.h"
#include "sim/capture_replay.h"
#include "sim/simulated_clocks.h"

namespace orvane {

std::unique_ptr<HidBackend> MakeBackend(const BackendRequest& request, MonotonicClock& clock,
                                        TraceLog& trace, std::string& error) {
  // Simulated clocks live in this process alone: only real ones need the lock between programs.
  if (request.SimulatedCount() == 0) {
    return LockingBackend::Around(std::make_unique<HidapiBackend>(&trace), DefaultLockDirectory());
  }
  std::shared_ptr<const std::vector<std::uint8_t>> capture;
  if (!request.sim_ubx.empty()) {
    std::optional<std::vector<std::uint8_t>> bytes = LoadCaptureFile(request.sim_ubx, error);
    if (!bytes) return nullptr;
    capture = std::make_shared<const std::vector<std::uint8_t>>(std::move(*bytes));
  }
  return MakeSimulatedClocks(clock, request.SimulatedCount(), std::move(capture), request.scenario);
}

}  // namespace orvane
