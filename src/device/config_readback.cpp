#include "device/config_readback.h"

namespace orvane {

ConfigReadback::ConfigReadback(Controls controls, DeviceLink& link) : ui_(controls), link_(link) {}

void ConfigReadback::ReadDeviceConfiguration() {
  link_.LedBlinkOn = false;
  link_.ConfigLoaded = false;
  ui_.Frame3->setEnabled(false);
  ui_.Frame4->setEnabled(false);
  if (!link_.DeviceDetected) return;
  ui_.Frame1->setEnabled(true);
  ui_.Frame3->setEnabled(true);
  ui_.Frame4->setEnabled(true);
  link_.ConfigLoaded = true;
  link_.SetReceiverMessageRate(0x01, 0x30, 10);
  link_.SetReceiverMessageRate(0x01, 0x22, 10);
}

}  // namespace orvane
