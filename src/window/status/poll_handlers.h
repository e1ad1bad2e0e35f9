#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "access/clock_access.h"
#include "window/status/satellite_bars.h"
#include "window/status/telemetry_display.h"

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

  PollHandlers(Controls controls, ClockAccess& access, QTimer& timer, TelemetryDisplay& telemetry,
               SatelliteBars& bars, Calls calls);

  void Timer_Timer();
  void PollDevice();

 private:
  void ShowStatus(const ReportStatus& status);
  void ShowPllReference(const PllReferenceCounts& counts);
  void ShowLoss();
  void Rediscover();

  Controls ui_;
  ClockAccess& access_;
  QTimer& timer_;
  TelemetryDisplay& telemetry_;
  SatelliteBars& bars_;
  Calls calls_;
  bool polling_ = false;
};

}  // namespace orvane
