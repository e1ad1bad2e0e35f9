#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/hid/hid_backend.h"
#include "device/trace_log.h"
#include "protocol/cfg_msg.h"
#include "protocol/commands.h"

namespace orvane {

// Which link flags a sender needs before it may talk to the device.
enum Guard : unsigned {
  kNeedsListReady = 1u << 0,
  kNeedsDetected = 1u << 1,
  kNeedsConfigLoaded = 1u << 2,
};

// The one open clock device and the flags that keep every sender away from it while it is not
// ready. Lives as long as the window; handles live from a successful discovery to the next
// dropped link.
class DeviceLink {
 public:
  // The largest offset any report of the program reads is 39: a shorter device is not usable.
  static constexpr int kMinimumFeatureReportLength = 40;

  DeviceLink(HidBackend& backend, TraceLog& trace);

  HidBackend& backend() { return backend_; }
  TraceLog& trace() { return trace_; }

  // Link state, named as the device's documentation names it.
  std::unique_ptr<HidDevice> DeviceHandle;
  std::unique_ptr<HidDevice> ReadHandle;
  std::string DevicePathName;
  std::string serial;  // serial-number text of the open device
  std::uint16_t VersionNumber = 0;
  int FeatureReportByteLength = 0;
  int InputReportByteLength = 0;
  bool LastResult = false;
  bool DeviceDetected = false;
  bool ConfigLoaded = false;
  bool DeviceListReady = false;
  bool ReselectPending = false;
  bool LedBlinkOn = false;
  // The receiver's latest clock-drift estimate (NAV-CLOCK clkD, ppb) since this device was
  // opened; what factory defaults stores as the correction.
  std::optional<std::int32_t> latest_clock_drift_ppb;
  // Counts the devices opened, so that a stream reader can tell a new connection from the last.
  std::uint64_t connection = 0;
  // When the open device last went quiet; empty while it sends. Belongs to one connection: a
  // dropped link or a newly opened device starts without it.
  std::optional<std::chrono::nanoseconds> silent_since;

  // The poll timer's interval is set through this, so that dropping the link can slow it down.
  std::function<void(std::chrono::milliseconds)> set_poll_interval;

  bool GuardsHold(unsigned guards) const;
  // A device whose feature reports are too short for the program's reports gets none of them.
  bool ReportLengthUsable() const { return FeatureReportByteLength >= kMinimumFeatureReportLength; }

  // A zero-filled feature report of the device's length (report ID 0 at byte 0).
  std::vector<std::uint8_t> NewFeatureReport() const;
  // Sends / fetches one feature report on DeviceHandle; the result goes to LastResult.
  bool Send(std::span<const std::uint8_t> report);
  bool Fetch(std::span<std::uint8_t> report);

  // The common sender: tests the guards, writes the command into a report and sends it. Returns
  // false when nothing was sent or the send failed.
  bool SendCommand(unsigned guards, const Command& command);

  // UBX CFG-MSG to the receiver.
  void SetReceiverMessageRate(const CfgMsg& message);

  // Closes both handles (each may already be closed).
  void CloseHandles();
  // The one way a link is dropped: handles closed, device flags false, poll slowed to 250 ms.
  void DropLink();

 private:
  HidBackend& backend_;
  TraceLog& trace_;
};

}  // namespace orvane
