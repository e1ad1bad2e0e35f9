#include "device/device_link.h"

#include <algorithm>

namespace orvane {

DeviceLink::DeviceLink(HidBackend& backend, TraceLog& trace) : backend_(backend), trace_(trace) {}

bool DeviceLink::GuardsHold(unsigned guards) const {
  if ((guards & kNeedsListReady) && !DeviceListReady) return false;
  if ((guards & kNeedsDetected) && !DeviceDetected) return false;
  if ((guards & kNeedsConfigLoaded) && !ConfigLoaded) return false;
  return true;
}

std::vector<std::uint8_t> DeviceLink::NewFeatureReport() const {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(std::max(FeatureReportByteLength, 0)),
                                   0);
}

bool DeviceLink::Send(std::span<const std::uint8_t> report) {
  LastResult = DeviceHandle != nullptr && ReportLengthUsable() && DeviceHandle->SendFeature(report);
  return LastResult;
}

bool DeviceLink::Fetch(std::span<std::uint8_t> report) {
  LastResult = DeviceHandle != nullptr && ReportLengthUsable() && DeviceHandle->GetFeature(report);
  return LastResult;
}

bool DeviceLink::SendCommand(unsigned guards, std::uint8_t code,
                             std::span<const std::uint8_t> payload) {
  if (!GuardsHold(guards) || !ReportLengthUsable()) return false;
  std::vector<std::uint8_t> report = NewFeatureReport();
  if (payload.size() + 2 > report.size()) return false;
  report[1] = code;
  std::copy(payload.begin(), payload.end(), report.begin() + 2);
  return Send(report);
}

void DeviceLink::SetReceiverMessageRate(std::uint8_t msg_class, std::uint8_t msg_id,
                                        std::uint8_t rate) {
  // CFG-MSG (class 0x06, id 0x01, 8-byte payload) without sync characters and checksum; the
  // device adds them. Rates for ports 1 to 5 stay 0.
  const std::uint8_t cfg_msg[] = {0x06, 0x01, 8, 0, msg_class, msg_id, rate, 0, 0, 0, 0, 0};
  SendCommand(kNeedsDetected | kNeedsConfigLoaded, command::kReceiverMessage, cfg_msg);
}

void DeviceLink::CloseHandles() {
  DeviceHandle.reset();
  ReadHandle.reset();
}

void DeviceLink::DropLink() {
  DeviceDetected = false;
  CloseHandles();
  silent_since.reset();
  if (set_poll_interval) set_poll_interval(std::chrono::milliseconds(250));
  ConfigLoaded = false;
}

}  // namespace orvane
