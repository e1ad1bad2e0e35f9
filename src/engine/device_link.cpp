#include "engine/device_link.h"

#include <algorithm>

namespace orvane {

DeviceLink::DeviceLink(HidBackend& backend, TraceLog& trace) : backend_(backend), trace_(trace) {}

bool DeviceLink::GuardsHold(unsigned guards) const {
  if ((guards & kNeedsListReady) && !device_list_ready_) return false;
  if ((guards & kNeedsDetected) && !device_detected_) return false;
  if ((guards & kNeedsConfigLoaded) && !config_loaded_) return false;
  return true;
}

void DeviceLink::Attach(std::unique_ptr<HidDevice> handle, const std::string& path,
                        const std::string& serial, std::uint16_t release) {
  device_handle_ = std::move(handle);
  device_path_name_ = path;
  serial_ = serial;
  version_number_ = release;
  feature_report_byte_length_ = device_handle_->FeatureReportLength();
  input_report_byte_length_ = device_handle_->InputReportLength();
  device_detected_ = true;
  config_loaded_ = false;
  reselect_pending_ = false;
}

std::vector<std::uint8_t> DeviceLink::NewFeatureReport() const {
  return std::vector<std::uint8_t>(
      static_cast<std::size_t>(std::max(feature_report_byte_length_, 0)), 0);
}

bool DeviceLink::Send(std::span<const std::uint8_t> report) {
  last_result_ =
      device_handle_ != nullptr && ReportLengthUsable() && device_handle_->SendFeature(report);
  return last_result_;
}

bool DeviceLink::Fetch(std::span<std::uint8_t> report) {
  last_result_ =
      device_handle_ != nullptr && ReportLengthUsable() && device_handle_->GetFeature(report);
  return last_result_;
}

int DeviceLink::ReadInput(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                          ReceiveTime* received) {
  const int count = device_handle_ ? device_handle_->ReadInput(report, timeout, received) : -1;
  last_result_ = count >= 0;
  return count;
}

bool DeviceLink::SendCommand(unsigned guards, const Command& command) {
  if (!GuardsHold(guards) || !ReportLengthUsable()) return false;
  std::vector<std::uint8_t> report = NewFeatureReport();
  return EncodeCommand(command, report) && Send(report);
}

void DeviceLink::SetReceiverMessageRate(const CfgMsg& message) {
  SendCommand(kNeedsDetected | kNeedsConfigLoaded, ReceiverMessageCommand(message));
}

void DeviceLink::CloseHandles() {
  device_handle_.reset();
  read_handle_.reset();
}

void DeviceLink::DropLink() {
  device_detected_ = false;
  CloseHandles();
  config_loaded_ = false;
}

}  // namespace orvane
