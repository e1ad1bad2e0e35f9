#include "engine/device_link.h"

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

bool DeviceLink::SendCommand(unsigned guards, const Command& command) {
  if (!GuardsHold(guards) || !ReportLengthUsable()) return false;
  std::vector<std::uint8_t> report = NewFeatureReport();
  return EncodeCommand(command, report) && Send(report);
}

void DeviceLink::SetReceiverMessageRate(const CfgMsg& message) {
  SendCommand(kNeedsDetected | kNeedsConfigLoaded, ReceiverMessageCommand(message));
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
