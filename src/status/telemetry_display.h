#pragma once

#include <QLabel>
#include <cstdint>
#include <span>

#include "device/device_link.h"
#include "status/host_clock.h"
#include "status/satellite_bars.h"
#include "status/ubx_parser.h"

namespace orvane {

// The receiver's UBX stream in the window: frames reassembled across ticks and reports, and the
// displays they drive (signal bars, oscillator offset and accuracy, host clock, `Label20`). The
// parser lives for the whole run: a lost and found device may finish a frame begun before.
class TelemetryDisplay {
 public:
  struct Controls {
    QLabel* TCXO_ppb;
    QLabel* TCXO_acc;
    QLabel* Label20;
  };

  TelemetryDisplay(Controls controls, SatelliteBars& bars, DeviceLink& link, HostClock& host_clock);

  // Receiver stream bytes, in the order the device sent them.
  void Parse(std::span<const std::uint8_t> stream);
  // One checksum-verified frame.
  void UbxHandleMessage(const UbxFrame& frame);

 private:
  void SetHostClock(const NavTimeUtc& time);

  Controls ui_;
  SatelliteBars& bars_;
  DeviceLink& link_;
  HostClock& host_clock_;
  UbxParser parser_;
};

}  // namespace orvane
