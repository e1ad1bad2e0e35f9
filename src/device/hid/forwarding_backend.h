#pragma once

#include <memory>
#include <utility>

#include "device/hid/hid_backend.h"

namespace orvane {

// The base of a decorator of an open device: every call goes to the wrapped device, so a
// decorator overrides only the calls it changes.
class ForwardingHidDevice : public HidDevice {
 public:
  explicit ForwardingHidDevice(std::unique_ptr<HidDevice> inner) : inner_(std::move(inner)) {}

  bool SendFeature(std::span<const std::uint8_t> report) override {
    return inner_->SendFeature(report);
  }
  bool GetFeature(std::span<std::uint8_t> report) override { return inner_->GetFeature(report); }
  int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                ReceiveTime* received = nullptr) override {
    return inner_->ReadInput(buffer, timeout, received);
  }
  int FeatureReportLength() const override { return inner_->FeatureReportLength(); }
  int InputReportLength() const override { return inner_->InputReportLength(); }
  std::optional<std::wstring> Manufacturer() override { return inner_->Manufacturer(); }
  std::optional<std::wstring> Product() override { return inner_->Product(); }
  std::optional<std::wstring> SerialNumber() override { return inner_->SerialNumber(); }

 private:
  std::unique_ptr<HidDevice> inner_;
};

// The base of a decorator of a backend; `inner` must outlive it. A decorator usually overrides
// Open() to wrap the devices it opens.
class ForwardingHidBackend : public HidBackend {
 public:
  explicit ForwardingHidBackend(HidBackend& inner) : inner_(inner) {}

  std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor_id,
                                       std::span<const std::uint16_t> product_ids) override {
    return inner_.Enumerate(vendor_id, product_ids);
  }
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override {
    return inner_.Open(path, error);
  }
  std::string BusyHolder(const std::string& path) override { return inner_.BusyHolder(path); }

 private:
  HidBackend& inner_;
};

}  // namespace orvane
