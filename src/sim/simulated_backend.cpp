#include "sim/simulated_backend.h"

#include <algorithm>
#include <charconv>

#include "device/device_ids.h"

namespace orvane {
namespace {

constexpr std::string_view kPathPrefix = "sim:";

std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }

// One open handle: bound to the connection it was opened on, so it dies with it (unplug, or a
// serial-number change) exactly as a handle on a vanished USB device does.
class SimulatedHandle : public HidDevice {
 public:
  SimulatedHandle(ClockDevice& device, MonotonicClock& clock)
      : device_(device),
        clock_(clock),
        connection_(device.connection()),
        queue_(device.OpenInputQueue()) {}

  bool SendFeature(std::span<const std::uint8_t> report) override {
    Hang();
    std::lock_guard lock(device_.host_mutex());
    return Alive() && device_.SetFeature(report);
  }
  bool GetFeature(std::span<std::uint8_t> report) override {
    Hang();
    std::lock_guard lock(device_.host_mutex());
    return Alive() && device_.GetFeature(report);
  }

  int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                ReceiveTime* received = nullptr) override {
    std::unique_lock lock(device_.host_mutex());
    if (!Alive() || device_.TakeReadFailure()) return -1;
    const std::chrono::nanoseconds deadline = clock_.Now() + timeout;
    for (;;) {
      const std::optional<std::chrono::nanoseconds> next_due = device_.Advance();
      if (!device_.asleep()) {
        const int taken = queue_->Pop(buffer, std::chrono::milliseconds(0), received);
        if (taken != 0) return taken;
      }
      const std::chrono::nanoseconds now = clock_.Now();
      if (now >= deadline) return 0;
      lock.unlock();
      clock_.SleepFor(std::min(next_due.value_or(deadline), deadline) - now);
      lock.lock();
    }
  }

  int FeatureReportLength() const override {
    std::lock_guard lock(device_.host_mutex());
    return device_.feature_report_length();
  }
  int InputReportLength() const override {
    std::lock_guard lock(device_.host_mutex());
    return device_.input_report_length();
  }

  std::optional<std::wstring> Manufacturer() override { return Text(device_.manufacturer()); }
  std::optional<std::wstring> Product() override { return Text(device_.product()); }
  std::optional<std::wstring> SerialNumber() override { return Text(device_.serial()); }

 private:
  bool Alive() const { return device_.present() && device_.connection() == connection_; }
  std::optional<std::wstring> Text(const std::string& text) const {
    std::lock_guard lock(device_.host_mutex());
    if (!Alive()) return std::nullopt;
    return Wide(text);
  }
  // Outside the device's lock: a wedged clock holds up only its own caller.
  void Hang() {
    if (const std::chrono::nanoseconds hang = device_.feature_hang(); hang.count() > 0) {
      clock_.SleepFor(hang);
    }
  }

  ClockDevice& device_;
  MonotonicClock& clock_;
  const std::uint64_t connection_;
  const std::shared_ptr<InputReportQueue> queue_;
};

}  // namespace

SimulatedBackend::SimulatedBackend(MonotonicClock& clock) : clock_(clock) {}

ClockDevice& SimulatedBackend::AddDevice(ClockDeviceOptions options) {
  devices_.push_back(std::make_unique<ClockDevice>(std::move(options), clock_));
  return *devices_.back();
}

std::vector<HidDeviceInfo> SimulatedBackend::Enumerate(std::uint16_t vendor_id,
                                                       std::span<const std::uint16_t> product_ids) {
  std::vector<HidDeviceInfo> found;
  if (vendor_id != kVendorId) return found;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const ClockDevice& device = *devices_[i];
    std::lock_guard lock(device.host_mutex());
    if (!device.present() || std::find(product_ids.begin(), product_ids.end(),
                                       device.product_id()) == product_ids.end()) {
      continue;
    }
    found.push_back({.path = std::string(kPathPrefix) + std::to_string(i),
                     .vendor_id = kVendorId,
                     .product_id = device.product_id(),
                     .release = device.release(),
                     .serial = Wide(device.serial()),
                     .manufacturer = Wide(device.manufacturer()),
                     .product = Wide(device.product())});
  }
  return found;
}

std::unique_ptr<HidDevice> SimulatedBackend::Open(const std::string& path, OpenError* error) {
  std::size_t index = devices_.size();
  if (path.starts_with(kPathPrefix)) {
    std::from_chars(path.data() + kPathPrefix.size(), path.data() + path.size(), index);
  }
  if (index >= devices_.size()) {
    if (error != nullptr) *error = OpenError::kNotFound;
    return nullptr;
  }
  std::lock_guard lock(devices_[index]->host_mutex());
  if (!devices_[index]->present()) {
    if (error != nullptr) *error = OpenError::kNotFound;
    return nullptr;
  }
  if (error != nullptr) *error = OpenError::kNone;
  return std::make_unique<SimulatedHandle>(*devices_[index], clock_);
}

}  // namespace orvane
