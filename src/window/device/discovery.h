#pragma once

#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <functional>
#include <string>

#include "access/clock_access.h"
#include "ui/control_events.h"

namespace orvane {

// Finding the attached clocks, listing them by serial number in `SerNo`, and opening the one
// selected. A selected clock that is attached but refused for lack of permission, or held by
// another program, is told apart from an absent one: `lblAccessHint` shows while that lasts.
class Discovery {
 public:
  struct Controls {
    QComboBox* SerNo;
    QLabel* lblAccessHint;
  };

  Discovery(Controls controls, ClockAccess& access, ControlEvents& events, QTimer& timer,
            std::function<void()> read_device_configuration);

  // Rebuilds the `SerNo` list from the attached clocks; the last one listed ends up selected.
  void Scan_USB_devices();
  // Opens the clock whose serial number `SerNo` shows; true when it is open. When that clock is
  // refused for lack of permission, the last listed clock that can be opened is opened and
  // selected instead: for discovery after a scan, where the selection is the program's, not the
  // user's.
  bool FindTheHidOrAnother();
  // The user (or the program) picked a serial number: switch to that device.
  void SerNo_Click();

 private:
  // Shows the outcome of opening the clock `selected` names; true when one is open. Also decides
  // whether the access hint shows: while any clock tried is refused for lack of permission or
  // held by another program.
  bool ShowOpened(const std::string& selected, const ClockSession::OpenResult& result);
  std::string SelectedSerial() const;
  // Acts and traces on a change only, since the poll repeats discovery four times a second while
  // no clock is open.
  void SetAccessRefused(const ClockSession::OpenResult& result);

  Controls ui_;
  ClockAccess& access_;
  ControlEvents& events_;
  QTimer& timer_;
  std::function<void()> read_device_configuration_;
  const QString denied_hint_;   // the hint's caption, for lack of permission
  std::string access_refusal_;  // the trace's `access` text of the refusal shown; empty: none
};

}  // namespace orvane
