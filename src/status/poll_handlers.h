#pragma once

#include <functional>

#include "device/device_link.h"

namespace orvane {

// The status timer's tick.
class PollHandlers {
 public:
  struct Calls {
    std::function<void()> Scan_USB_devices;
    std::function<bool()> FindTheHid;
    std::function<void()> ReadDeviceConfiguration;
  };

  PollHandlers(DeviceLink& link, Calls calls);

  void Timer_Timer();
  void PollDevice();

 private:
  DeviceLink& link_;
  Calls calls_;
};

}  // namespace orvane
