#include "window/status/poll_handlers.h"

#include "engine/label29_caption.h"
#include "engine/number_text.h"
#include "window/status/poll_timer.h"

namespace orvane {
namespace {

std::optional<double> FieldNumber(const QLineEdit* field) {
  return ParseNumber(field->text().toStdString());
}

}  // namespace

PollHandlers::PollHandlers(Controls controls, ClockAccess& access, QTimer& timer,
                           TelemetryDisplay& telemetry, SatelliteBars& bars, Calls calls)
    : ui_(controls),
      access_(access),
      timer_(timer),
      telemetry_(telemetry),
      bars_(bars),
      calls_(std::move(calls)) {}

void PollHandlers::Timer_Timer() { PollDevice(); }

void PollHandlers::PollDevice() {
  // A modal message raised inside a tick runs a nested event loop in which the timer still fires;
  // a nested tick would use handles and a read buffer that the outer one is in the middle of.
  if (polling_) return;
  polling_ = true;
  const PollResult result = access_.Poll(
      {.message = [this](const UbxMessage& message) { telemetry_.UbxHandleMessage(message); }});
  SetPollInterval(timer_, result.poll_interval);
  if (result.status) ShowStatus(*result.status);
  if (result.pll_reference) ShowPllReference(*result.pll_reference);
  if (result.outcome == PollOutcome::kLost) ShowLoss();
  if (!access_.DeviceDetected()) Rediscover();
  bars_.Age();
  polling_ = false;
}

void PollHandlers::ShowStatus(const ReportStatus& status) {
  ui_.Label16->setText(QStringLiteral("Signal loss count: %1").arg(status.signal_loss_count));
  ui_.LOS->setVisible(status.no_gnss_signal);
  ui_.set_TCXO_GPS->setEnabled(!status.no_gnss_signal);
  ui_.LOL->setVisible(status.pll_not_locked);
}

void PollHandlers::ShowPllReference(const PllReferenceCounts& counts) {
  const std::optional<std::string> caption = Label29Caption(
      counts, {FieldNumber(ui_.N2_HS), FieldNumber(ui_.GPS), FieldNumber(ui_.N2_LS)});
  if (caption) ui_.Label29->setText(QString::fromStdString(*caption));
}

void PollHandlers::ShowLoss() {
  bars_.ResetOnLoss();
  ui_.LOL->setVisible(true);
  ui_.LOS->setVisible(true);
  ui_.set_TCXO_GPS->setEnabled(false);
}

void PollHandlers::Rediscover() {
  // A clock found ends a pending re-selection; the readback opens its guards.
  calls_.Scan_USB_devices();
  calls_.FindTheHid();
  // Without a device the readback puts the window into its look without one.
  calls_.ReadDeviceConfiguration();
}

}  // namespace orvane
