#pragma once

#include <QWidget>

#include "device/device_link.h"

namespace orvane {

// Brings the window into agreement with the open device, or with the absence of one.
class ConfigReadback {
 public:
  struct Controls {
    QWidget* Frame1;
    QWidget* Frame3;
    QWidget* Frame4;
  };

  ConfigReadback(Controls controls, DeviceLink& link);

  void ReadDeviceConfiguration();

 private:
  Controls ui_;
  DeviceLink& link_;
};

}  // namespace orvane
