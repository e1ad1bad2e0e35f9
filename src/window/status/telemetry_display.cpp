#include "window/status/telemetry_display.h"

#include "engine/label20_caption.h"

namespace orvane {

TelemetryDisplay::TelemetryDisplay(Controls controls, SatelliteBars& bars, ClockAccess& access,
                                   HostClock& host_clock, HistoryStore& history)
    : ui_(controls), bars_(bars), access_(access), host_clock_(host_clock), history_(history) {}

void TelemetryDisplay::UbxHandleMessage(const UbxMessage& message) {
  history_.Take(access_.serial(), message, access_.telemetry().status());
  if (const auto caption = Label20Caption({message.msg_class, message.msg_id, message.payload})) {
    ui_.Label20->setText(QString::fromStdString(*caption));
    return;
  }
  if (message.sv_info) bars_.Apply(*message.sv_info);
  if (message.nav_clock) {
    ui_.TCXO_ppb->setText(QString::fromStdString(TcxoPpbText(*message.nav_clock)));
    ui_.TCXO_acc->setText(QString::fromStdString(TcxoAccText(*message.nav_clock)));
  }
  if (message.time_utc) SetHostClock(*message.time_utc);
}

void TelemetryDisplay::SetHostClock(const NavTimeUtc& time) {
  const std::optional<UtcTime> utc = HostClockTime(time);
  if (!utc) return;
  // Whatever came of it, the program carries on: the outcome is only traced.
  const std::string outcome = host_clock_.Set(*utc);
  access_.trace().Write(access_.serial(), "clock", UtcTimeText(*utc) + " " + outcome);
}

}  // namespace orvane
