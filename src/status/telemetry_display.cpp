#include "status/telemetry_display.h"

#include "engine/label20_caption.h"
#include "engine/ubx_messages.h"
#include "engine/ubx_trace.h"
#include "protocol/ubx_ids.h"

namespace orvane {

TelemetryDisplay::TelemetryDisplay(Controls controls, SatelliteBars& bars, DeviceLink& link,
                                   HostClock& host_clock)
    : ui_(controls),
      bars_(bars),
      link_(link),
      host_clock_(host_clock),
      parser_([this](const UbxFrame& frame) { UbxHandleMessage(frame); }) {}

void TelemetryDisplay::Parse(std::span<const std::uint8_t> stream) {
  if (link_.connection != parsed_connection_) {
    parser_.Reset();
    parsed_connection_ = link_.connection;
  }
  parser_.Parse(stream);
}

void TelemetryDisplay::UbxHandleMessage(const UbxFrame& frame) {
  TraceLog& trace = link_.trace();
  if (trace.enabled()) trace.Write(link_.serial, "ubx", UbxTraceText(frame));
  if (const auto caption = Label20Caption(frame)) {
    ui_.Label20->setText(QString::fromStdString(*caption));
    return;
  }
  if (frame.msg_class != kUbxClassNav) return;
  // A message too short for the fields it is read for changes nothing.
  switch (frame.msg_id) {
    case kUbxIdNavSvInfo:
      if (const auto info = DecodeNavSvInfo(frame.payload)) bars_.Apply(*info);
      break;
    case kUbxIdNavClock:
      if (const auto clock = DecodeNavClock(frame.payload)) {
        ui_.TCXO_ppb->setText(QString::fromStdString(TcxoPpbText(*clock)));
        ui_.TCXO_acc->setText(QString::fromStdString(TcxoAccText(*clock)));
        link_.latest_clock_drift_ppb = clock->clk_d;
      }
      break;
    case kUbxIdNavTimeUtc:
      if (const auto time = DecodeNavTimeUtc(frame.payload)) SetHostClock(*time);
      break;
  }
}

void TelemetryDisplay::SetHostClock(const NavTimeUtc& time) {
  const std::optional<UtcTime> utc = HostClockTime(time);
  if (!utc) return;
  // Whatever came of it, the program carries on: the outcome is only traced.
  const std::string outcome = host_clock_.Set(*utc);
  link_.trace().Write(link_.serial, "clock", UtcTimeText(*utc) + " " + outcome);
}

}  // namespace orvane
