#include "status/correction_handlers.h"

#include <algorithm>
#include <cmath>

#include "engine/number_text.h"
#include "protocol/commands.h"

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

CorrectionHandlers::CorrectionHandlers(Controls controls, DeviceLink& link, ControlEvents& events,
                                       ModalMessage message, Calls calls)
    : ui_(controls),
      link_(link),
      events_(events),
      message_(std::move(message)),
      calls_(std::move(calls)) {
  events_.OnButtonClick(ui_.set_TCXO, [this] { set_TCXO_Click(); });
  events_.OnButtonClick(ui_.set_TCXO_GPS, [this] { set_TCXO_GPS_Click(); });
  events_.OnButtonClick(ui_.Sleep_cmd, [this] { Sleep_cmd_Click(); });
  events_.OnButtonClick(ui_.Command1, [this] { Command1_Click(); });
}

void CorrectionHandlers::set_TCXO_Click() {
  if (!link_.DeviceDetected) return;
  const std::optional<double> value = ParseNumber(ui_.TCXO->text().toStdString());
  if (!value) {
    message_(QStringLiteral("Correction not valid"),
             QStringLiteral("The correction must be a number of ppb, for example -500"));
    return;
  }
  // Rounded first (halves to even), then limited: 7500.6 would otherwise round past the limit.
  const double rounded = std::nearbyint(*value);
  const double limited =
      std::clamp(rounded, double{-kLargestCorrection}, double{kLargestCorrection});
  if (limited != rounded) ui_.TCXO->setText(QString::number(static_cast<int>(limited)));
  link_.SendCommand(kNeedsDetected, CorrectionStoreCommand(static_cast<std::int16_t>(limited)));
  calls_.ReadDeviceConfiguration();
}

void CorrectionHandlers::set_TCXO_GPS_Click() {
  if (!ui_.TCXO_ppb->text().isEmpty()) ui_.TCXO->setText(ui_.TCXO_ppb->text());
  set_TCXO_Click();
}

void CorrectionHandlers::Sleep_cmd_Click() {
  link_.SendCommand(kNeedsDetected | kNeedsConfigLoaded, SleepCommand());
}

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
  // has just reset the estimate's display, so it comes from the link, not from `TCXO_ppb`.
  if (ParseNumber(ui_.TCXO->text().toStdString()) != kFactoryCorrection) return;
  if (!link_.latest_clock_drift_ppb) return;
  ui_.TCXO->setText(QString::number(*link_.latest_clock_drift_ppb));
  set_TCXO_Click();
}

}  // namespace orvane
