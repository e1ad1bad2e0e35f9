#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
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

class ClockSession;

// The one open clock device and the flags that keep every sender away from it while it is not
// ready. Handles live from a successful discovery to the next dropped link. The session that owns
// the link is the only one that sets its flags; everyone else reads them.
class DeviceLink {
 public:
  // The largest offset any report of the program reads is 39: a shorter device is not usable.
  static constexpr int kMinimumFeatureReportLength = 40;

  DeviceLink(HidBackend& backend, TraceLog& trace);

  HidBackend& backend() const { return backend_; }
  TraceLog& trace() const { return trace_; }

  // Link state, named as the device's documentation names it.
  bool DeviceDetected() const { return device_detected_; }
  bool ConfigLoaded() const { return config_loaded_; }
  bool DeviceListReady() const { return device_list_ready_; }
  bool ReselectPending() const { return reselect_pending_; }
  bool LedBlinkOn() const { return led_blink_on_; }
  bool LastResult() const { return last_result_; }
  const std::string& DevicePathName() const { return device_path_name_; }
  std::uint16_t VersionNumber() const { return version_number_; }
  int FeatureReportByteLength() const { return feature_report_byte_length_; }
  int InputReportByteLength() const { return input_report_byte_length_; }
  // Serial-number text of the open device.
  const std::string& serial() const { return serial_; }
  bool DeviceHandleOpen() const { return device_handle_ != nullptr; }

  bool GuardsHold(unsigned guards) const;
  // A device whose feature reports are too short for the program's reports gets none of them.
  bool ReportLengthUsable() const {
    return feature_report_byte_length_ >= kMinimumFeatureReportLength;
  }

  // A newly opened device becomes the link's: its report lengths are read, DeviceDetected is set
  // and a pending re-selection ends; its configuration is not loaded yet.
  void Attach(std::unique_ptr<HidDevice> handle, const std::string& path, const std::string& serial,
              std::uint16_t release);
  // A zero-filled feature report of the device's length (report ID 0 at byte 0).
  std::vector<std::uint8_t> NewFeatureReport() const;
  // Sends / fetches one feature report on DeviceHandle; the result goes to LastResult.
  bool Send(std::span<const std::uint8_t> report);
  bool Fetch(std::span<std::uint8_t> report);
  // One input report from DeviceHandle, as HidDevice::ReadInput; a failure goes to LastResult.
  int ReadInput(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                ReceiveTime* received = nullptr);

  // The common sender: tests the guards, writes the command into a report and sends it. Returns
  // false when nothing was sent or the send failed.
  bool SendCommand(unsigned guards, const Command& command);

  // UBX CFG-MSG to the receiver.
  void SetReceiverMessageRate(const CfgMsg& message);

  // Closes both handles (each may already be closed).
  void CloseHandles();
  // The one way a link is dropped: handles closed, device flags false.
  void DropLink();

 private:
  friend class ClockSession;

  HidBackend& backend_;
  TraceLog& trace_;
  std::unique_ptr<HidDevice> device_handle_;
  std::unique_ptr<HidDevice> read_handle_;
  std::string device_path_name_;
  std::string serial_;
  std::uint16_t version_number_ = 0;
  int feature_report_byte_length_ = 0;
  int input_report_byte_length_ = 0;
  bool last_result_ = false;
  bool device_detected_ = false;
  bool config_loaded_ = false;
  bool device_list_ready_ = false;
  bool reselect_pending_ = false;
  bool led_blink_on_ = false;
};

}  // namespace orvane
