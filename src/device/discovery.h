#pragma once

#include <QComboBox>
#include <QTimer>
#include <functional>

#include "app/control_events.h"
#include "device/device_link.h"

namespace orvane {

// Finding the attached clocks, listing them by serial number in `SerNo`, and opening the one
// selected.
class Discovery {
 public:
  struct Controls {
    QComboBox* SerNo;
  };

  Discovery(Controls controls, DeviceLink& link, ControlEvents& events, QTimer& timer,
            std::function<void()> read_device_configuration);

  // Rebuilds the `SerNo` list from the attached clocks; the last one listed ends up selected.
  void Scan_USB_devices();
  // Opens the clock whose serial number `SerNo` shows; true when it is open.
  bool FindTheHid();
  // The user (or the program) picked a serial number: switch to that device.
  void SerNo_Click();

 private:
  Controls ui_;
  DeviceLink& link_;
  ControlEvents& events_;
  QTimer& timer_;
  std::function<void()> read_device_configuration_;
};

}  // namespace orvane
