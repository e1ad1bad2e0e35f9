#pragma once

#include <QLabel>
#include <cstdint>
#include <span>

#include "engine/device_link.h"
#include "engine/ubx_parser.h"
#include "status/host_clock.h"
#include "status/satellite_bars.h"

namespace orvane {

// The receiver's UBX stream in the window: frames reassembled across ticks and reports, and the
// displays they drive (signal bars, oscillator offset and accuracy, host clock, `Label20`). A new
// connection starts the parser afresh: a frame cut off by the lost device must not swallow the
// first frame of the next one.
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
  std::uint64_t parsed_connection_ = 0;
};

}  // namespace orvane
