#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "sim/clock_device.h"

namespace orvane {

// Serves simulated clock devices through the same interface as real ones. Paths are
// "sim:<index>" in the order the devices were added. Handles must not outlive the backend.
class SimulatedBackend : public HidBackend {
 public:
  explicit SimulatedBackend(MonotonicClock& clock);

  ClockDevice& AddDevice(ClockDeviceOptions options = {});
  ClockDevice& device(std::size_t index) { return *devices_.at(index); }
  std::size_t device_count() const { return devices_.size(); }

  std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor_id,
                                       std::span<const std::uint16_t> product_ids) override;
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override;

 private:
  MonotonicClock& clock_;
  std::vector<std::unique_ptr<ClockDevice>> devices_;
};

}  // namespace orvane
