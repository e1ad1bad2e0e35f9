#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "device/monotonic_clock.h"
#include "engine/device_link.h"
#include "status/satellite_bars.h"
#include "status/telemetry_display.h"

namespace orvane {

// The status timer's tick: lock and signal state, the receiver's stream, the PLL reference on
// newer devices, loss and rediscovery of the device, and the ageing of the signal bars.
class PollHandlers {
 public:
  struct Controls {
    QLabel* Label16;
    QLabel* LOS;
    QLabel* LOL;
    QPushButton* set_TCXO_GPS;
    QLabel* Label29;
    QLineEdit* GPS;
    QLineEdit* N2_HS;
    QLineEdit* N2_LS;
  };
  struct Calls {
    std::function<void()> Scan_USB_devices;
    std::function<bool()> FindTheHid;
    std::function<void()> ReadDeviceConfiguration;
  };

  // The longest a tick waits for a first report, so that a silent device cannot freeze the window.
  static constexpr std::chrono::milliseconds kFirstReportWait{20};
  // A device silent this long is taken for lost, as one whose read fails.
  static constexpr std::chrono::seconds kSilenceLimit{1};
  // Queued reports one tick takes at most.
  static constexpr std::size_t kInputReportsBytes = 34000;
  // Devices from this release on answer the PLL reference query.
  static constexpr std::uint16_t kFirstReferenceRelease = 0x0112;

  PollHandlers(Controls controls, DeviceLink& link, MonotonicClock& clock,
               TelemetryDisplay& telemetry, SatelliteBars& bars, Calls calls);

  void Timer_Timer();
  void PollDevice();

 private:
  enum class ReadOutcome { kReports, kNothingYet, kLost };

  // Drains the queued input reports into InputReports_; `bytes` is how many were read.
  ReadOutcome ReadInputReports(std::size_t& bytes);
  void ShowStatus(std::size_t bytes, std::size_t report_length);
  void QueryPllReference();
  void DeviceLost();
  void Rediscover();

  Controls ui_;
  DeviceLink& link_;
  MonotonicClock& clock_;
  TelemetryDisplay& telemetry_;
  SatelliteBars& bars_;
  Calls calls_;
  std::vector<std::uint8_t> InputReports_;
  bool polling_ = false;
};

}  // namespace orvane
