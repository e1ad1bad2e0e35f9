#include "window/status/correction_handlers.h"

#include <algorithm>

#include "engine/input_checks.h"
#include "engine/number_text.h"

namespace orvane {
namespace {

constexpr char kUnsetSerial[] = "000000";
constexpr char kDefaultFrequency[] = "10000000";
// The VCO candidate of the default set-up: the sixtieth of the 10 MHz search.
constexpr int kDefaultVcoEntry = 59;
constexpr int kDriveStrength32mA = 3;
// What a device leaves the factory with before its first correction is stored.
constexpr double kFactoryCorrection = -500;

}  // namespace

CorrectionHandlers::CorrectionHandlers(Controls controls, ClockAccess& access,
                                       ControlEvents& events, ModalMessage message, Calls calls)
    : ui_(controls),
      access_(access),
      events_(events),
      message_(std::move(message)),
      calls_(std::move(calls)) {
  events_.OnButtonClick(ui_.set_TCXO, [this] { set_TCXO_Click(); });
  events_.OnButtonClick(ui_.set_TCXO_GPS, [this] { set_TCXO_GPS_Click(); });
  events_.OnButtonClick(ui_.Sleep_cmd, [this] { Sleep_cmd_Click(); });
  events_.OnButtonClick(ui_.Command1, [this] { Command1_Click(); });
}

void CorrectionHandlers::set_TCXO_Click() {
  if (!access_.DeviceDetected()) return;
  const std::optional<Correction> correction = CorrectionFromText(ui_.TCXO->text().toStdString());
  if (!correction) {
    message_(QStringLiteral("Correction not valid"),
             QStringLiteral("The correction must be a number of ppb, for example -500"));
    return;
  }
  if (correction->limited) ui_.TCXO->setText(QString::number(correction->ppb));
  access_.StoreCorrection(correction->ppb);
  calls_.ReadDeviceConfiguration();
}

void CorrectionHandlers::set_TCXO_GPS_Click() {
  if (!ui_.TCXO_ppb->text().isEmpty()) ui_.TCXO->setText(ui_.TCXO_ppb->text());
  set_TCXO_Click();
}

void CorrectionHandlers::Sleep_cmd_Click() { access_.Sleep(); }

void CorrectionHandlers::Command1_Click() {
  // Each step is guarded by the handler it runs: once the serial-number command has dropped the
  // link, the rest sends nothing until the device is found again and this runs once more.
  if (ui_.SerNo->currentText() == QLatin1String(kUnsetSerial)) calls_.SetSN_Click();
  events_.SelectEntry(ui_.Enc1, kDriveStrength32mA);
  ui_.OUT1EN->setChecked(true);
  ui_.Out1Freq->setText(QString::fromLatin1(kDefaultFrequency));
  calls_.FindFreq_Click();
  // Fewer candidates than expected: the last one is the nearest to the default.
  const int entries = ui_.Fvco_list->count();
  if (entries > 0) events_.SelectEntry(ui_.Fvco_list, std::min(kDefaultVcoEntry, entries - 1));
  calls_.Command2_Click();
  calls_.ReadDeviceConfiguration();
  // A device still on its factory correction gets the receiver's latest estimate; the readback
  // has just reset the estimate's display, so it comes from the telemetry, not from `TCXO_ppb`.
  if (ParseNumber(ui_.TCXO->text().toStdString()) != kFactoryCorrection) return;
  const std::optional<std::int32_t>& estimate = access_.telemetry().latest_clock_drift_ppb();
  if (!estimate) return;
  ui_.TCXO->setText(QString::number(*estimate));
  set_TCXO_Click();
}

}  // namespace orvane
