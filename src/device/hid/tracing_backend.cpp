#include "device/hid/tracing_backend.h"

#include <algorithm>
#include <utility>

#include "device/hid/wide_text.h"

namespace orvane {
namespace {

class TracingDevice : public ForwardingHidDevice {
 public:
  TracingDevice(std::unique_ptr<HidDevice> inner, TraceLog& trace, std::string path,
                std::string serial)
      : ForwardingHidDevice(std::move(inner)),
        trace_(trace),
        path_(std::move(path)),
        serial_(std::move(serial)) {
    trace_.Write(serial_, "open", path_);
  }

  ~TracingDevice() override { trace_.Write(serial_, "close", path_); }

  bool SendFeature(std::span<const std::uint8_t> report) override {
    const bool ok = ForwardingHidDevice::SendFeature(report);
    WriteExchange("set", report, ok);
    return ok;
  }

  bool GetFeature(std::span<std::uint8_t> report) override {
    const bool ok = ForwardingHidDevice::GetFeature(report);
    WriteExchange("get", report, ok);
    return ok;
  }

  int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                ReceiveTime* received = nullptr) override {
    const int count = ForwardingHidDevice::ReadInput(buffer, timeout, received);
    // Formatting every report costs more than the read itself; skip it when nobody listens.
    if (count > 0 && trace_.enabled()) {
      const std::size_t taken = std::min(static_cast<std::size_t>(count), buffer.size());
      trace_.Write(serial_, "input", HexBytes(buffer.first(taken)));
    }
    return count;
  }

 private:
  void WriteExchange(std::string_view kind, std::span<const std::uint8_t> report, bool ok) {
    if (!trace_.enabled()) return;
    std::string rest = HexBytes(report);
    if (!ok) rest += " failed";
    trace_.Write(serial_, kind, rest);
  }

  TraceLog& trace_;
  const std::string path_;
  const std::string serial_;
};

}  // namespace

TracingBackend::TracingBackend(HidBackend& inner, TraceLog& trace)
    : ForwardingHidBackend(inner), trace_(trace) {}

std::vector<HidDeviceInfo> TracingBackend::Enumerate(std::uint16_t vendor_id,
                                                     std::span<const std::uint16_t> product_ids) {
  std::vector<HidDeviceInfo> devices = ForwardingHidBackend::Enumerate(vendor_id, product_ids);
  std::lock_guard lock(mutex_);
  for (const HidDeviceInfo& device : devices) {
    serial_by_path_[device.path] = LowByteText(device.serial);
  }
  return devices;
}

std::unique_ptr<HidDevice> TracingBackend::Open(const std::string& path, OpenError* error) {
  std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
  if (device == nullptr) return nullptr;
  std::string serial;
  {
    std::lock_guard lock(mutex_);
    const auto known = serial_by_path_.find(path);
    if (known != serial_by_path_.end()) serial = known->second;
  }
  return std::make_unique<TracingDevice>(std::move(device), trace_, path, std::move(serial));
}

}  // namespace orvane
