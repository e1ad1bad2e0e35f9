#include "device/hid/tracing_backend.h"

#include <algorithm>
#include <utility>

#include "device/hid/wide_text.h"

namespace orvane {
namespace {

class TracingDevice : public HidDevice {
 public:
  TracingDevice(std::unique_ptr<HidDevice> inner, TraceLog& trace, std::string path,
                std::string serial)
      : inner_(std::move(inner)),
        trace_(trace),
        path_(std::move(path)),
        serial_(std::move(serial)) {
    trace_.Write(serial_, "open", path_);
  }

  ~TracingDevice() override { trace_.Write(serial_, "close", path_); }

  bool SendFeature(std::span<const std::uint8_t> report) override {
    const bool ok = inner_->SendFeature(report);
    WriteExchange("set", report, ok);
    return ok;
  }

  bool GetFeature(std::span<std::uint8_t> report) override {
    const bool ok = inner_->GetFeature(report);
    WriteExchange("get", report, ok);
    return ok;
  }

  int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override {
    const int count = inner_->ReadInput(buffer, timeout);
    // Formatting every report costs more than the read itself; skip it when nobody listens.
    if (count > 0 && trace_.enabled()) {
      const std::size_t received = std::min(static_cast<std::size_t>(count), buffer.size());
      trace_.Write(serial_, "input", HexBytes(buffer.first(received)));
    }
    return count;
  }

  int FeatureReportLength() const override { return inner_->FeatureReportLength(); }
  int InputReportLength() const override { return inner_->InputReportLength(); }

  std::optional<std::wstring> Manufacturer() override { return inner_->Manufacturer(); }
  std::optional<std::wstring> Product() override { return inner_->Product(); }
  std::optional<std::wstring> SerialNumber() override { return inner_->SerialNumber(); }

 private:
  void WriteExchange(std::string_view kind, std::span<const std::uint8_t> report, bool ok) {
    if (!trace_.enabled()) return;
    std::string rest = HexBytes(report);
    if (!ok) rest += " failed";
    trace_.Write(serial_, kind, rest);
  }

  std::unique_ptr<HidDevice> inner_;
  TraceLog& trace_;
  const std::string path_;
  const std::string serial_;
};

}  // namespace

TracingBackend::TracingBackend(HidBackend& inner, TraceLog& trace) : inner_(inner), trace_(trace) {}

std::vector<HidDeviceInfo> TracingBackend::Enumerate(std::uint16_t vendor_id,
                                                     std::span<const std::uint16_t> product_ids) {
  std::vector<HidDeviceInfo> devices = inner_.Enumerate(vendor_id, product_ids);
  for (const HidDeviceInfo& device : devices) {
    serial_by_path_[device.path] = LowByteText(device.serial);
  }
  return devices;
}

std::unique_ptr<HidDevice> TracingBackend::Open(const std::string& path, OpenError* error) {
  std::unique_ptr<HidDevice> device = inner_.Open(path, error);
  if (device == nullptr) return nullptr;
  const auto known = serial_by_path_.find(path);
  std::string serial = known == serial_by_path_.end() ? "" : known->second;
  return std::make_unique<TracingDevice>(std::move(device), trace_, path, std::move(serial));
}

}  // namespace orvane
