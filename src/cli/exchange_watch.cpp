#include "cli/exchange_watch.h"

namespace orvane {
namespace {

class WatchedDevice : public ForwardingHidDevice {
 public:
  WatchedDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<std::size_t> failures)
      : ForwardingHidDevice(std::move(inner)), failures_(std::move(failures)) {}

  bool SendFeature(std::span<const std::uint8_t> report) override {
    return Count(ForwardingHidDevice::SendFeature(report));
  }
  bool GetFeature(std::span<std::uint8_t> report) override {
    return Count(ForwardingHidDevice::GetFeature(report));
  }

 private:
  bool Count(bool ok) {
    if (!ok) ++*failures_;
    return ok;
  }

  std::shared_ptr<std::size_t> failures_;
};

}  // namespace

std::unique_ptr<HidDevice> ExchangeWatch::Open(const std::string& path, OpenError* error) {
  std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
  if (!device) return device;
  return std::make_unique<WatchedDevice>(std::move(device), failures_);
}

}  // namespace orvane
