#include "status/poll_handlers.h"

namespace orvane {

PollHandlers::PollHandlers(DeviceLink& link, Calls calls) : link_(link), calls_(std::move(calls)) {}

void PollHandlers::Timer_Timer() { PollDevice(); }

void PollHandlers::PollDevice() {
  if (link_.DeviceDetected) return;
  // No device open: look for one on every tick until it is back.
  link_.ConfigLoaded = false;
  calls_.Scan_USB_devices();
  link_.DeviceDetected = calls_.FindTheHid();
  if (link_.DeviceDetected) link_.ReselectPending = false;
  calls_.ReadDeviceConfiguration();
}

}  // namespace orvane
