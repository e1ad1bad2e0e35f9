#pragma once

#include <QLabel>

#include "access/clock_access.h"
#include "history/history_store.h"
#include "window/status/host_clock.h"
#include "window/status/satellite_bars.h"

namespace orvane {

// What the receiver's messages change in the window: signal bars, oscillator offset and
// accuracy, the host clock, the diagnostic `Label20` and the recorded history.
class TelemetryDisplay {
 public:
  struct Controls {
    QLabel* TCXO_ppb;
    QLabel* TCXO_acc;
    QLabel* Label20;
  };

  TelemetryDisplay(Controls controls, SatelliteBars& bars, ClockAccess& access,
                   HostClock& host_clock, HistoryStore& history);

  // One checksum-verified message, as the poll decodes it.
  void UbxHandleMessage(const UbxMessage& message);

 private:
  void SetHostClock(const NavTimeUtc& time);

  Controls ui_;
  SatelliteBars& bars_;
  ClockAccess& access_;
  HostClock& host_clock_;
  HistoryStore& history_;
};

}  // namespace orvane
