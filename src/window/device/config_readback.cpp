#include "window/device/config_readback.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>

#include "ui/colours.h"

namespace orvane {
namespace {

const char* const kDriveStrengths[] = {"8mA", "16mA", "24mA", "32mA"};
// Releases whose minor number is below this are marked red.
constexpr int kFirstGoodMinor = 5;

QString IdentityText(const std::string& text) {
  return QLatin1Char(' ') + QString::fromLatin1(text.c_str());
}

}  // namespace

ConfigReadback::ConfigReadback(Controls controls, ClockAccess& access, ControlEvents& events,
                               ModalMessage message, Calls calls)
    : ui_(controls),
      access_(access),
      events_(events),
      message_(std::move(message)),
      calls_(std::move(calls)) {}

void ConfigReadback::ReadDeviceConfiguration() {
  // The guards close first: clearing the controls runs their handlers.
  const std::optional<ClockSession::StoredState> stored = access_.ReadStoredState();
  Reset();
  if (!stored) return;
  ShowIdentity(stored->identity);
  ui_.Frame1->setEnabled(true);
  if (!stored->usable) {
    ReportUnusableDevice();
    return;
  }
  EnableDeviceControls();
  // Shown while the guards are still closed, so that nothing goes back to the device.
  if (stored->configuration) Show(*stored->configuration);
  // A failed fetch leaves the controls empty but usable; commands may still be sent.
  access_.StartStatusMessages();
  calls_.FlattenSignalBars();
}

void ConfigReadback::Reset() {
  ui_.lblManuf->clear();
  ui_.lblProduct->clear();
  ui_.lblVersion->clear();
  ui_.Enc1->clear();
  ui_.Enc1->setEnabled(false);
  ui_.OUT1ID->setEnabled(false);
  ui_.OUT1EN->setChecked(false);
  ui_.OUT1EN->setEnabled(false);
  ui_.Out1Freq->clear();
  for (QWidget* control : std::initializer_list<QWidget*>{ui_.Out1Freq, ui_.FindFreq, ui_.Label1,
                                                          ui_.SetFreq, ui_.Advanced}) {
    control->setEnabled(false);
  }
  // BW keeps its text: the search sets it and no readback of a missing device can.
  for (QLineEdit* field : {ui_.fields.GPS, ui_.fields.N31, ui_.fields.N2_HS, ui_.fields.N2_LS,
                           ui_.fields.N1_HS, ui_.fields.NC1_LS, ui_.fields.NC2_LS}) {
    field->clear();
  }
  ui_.TCXO_ppb->setText(QStringLiteral("0"));
  ui_.TCXO->setText(QStringLiteral("-1"));
  // A mask left from an earlier reading would be sent as this device's once a box is clicked.
  for (QCheckBox* box : ui_.constellations) box->setChecked(false);
  ui_.Frame3->setEnabled(false);
  ui_.Frame4->setEnabled(false);
}

void ConfigReadback::ShowIdentity(const ClockIdentity& identity) {
  if (identity.manufacturer) {
    ui_.lblManuf->setText(IdentityText(*identity.manufacturer));
    ui_.lblVersion->setText(QString::fromStdString(" " + ReleaseText(identity.release)));
    const int minor = identity.release & 0xFF;
    SetBackgroundColour(ui_.lblVersion, minor < kFirstGoodMinor
                                            ? QColor(255, 0, 0)
                                            : QApplication::palette().color(QPalette::Button));
  }
  if (identity.product) ui_.lblProduct->setText(IdentityText(*identity.product));
}

void ConfigReadback::EnableDeviceControls() {
  for (const char* entry : kDriveStrengths) ui_.Enc1->addItem(QString::fromLatin1(entry));
  events_.SelectEntry(ui_.Enc1, 0);
  for (QWidget* control : std::initializer_list<QWidget*>{
           ui_.Enc1, ui_.OUT1ID, ui_.OUT1EN, ui_.Out1Freq, ui_.FindFreq, ui_.Label1, ui_.SetFreq,
           ui_.Advanced, ui_.Frame3, ui_.Frame4}) {
    control->setEnabled(true);
  }
}

void ConfigReadback::Show(const DeviceConfiguration& config) {
  // Every change below runs its control's handler; the guards are still closed, so nothing is
  // sent back to the device.
  ui_.OUT1EN->setChecked(config.output_flags & 1);
  events_.SelectEntry(ui_.Enc1, std::min<int>(config.drive_index, 3));
  const auto number = [](auto value) { return QString::number(value); };
  const PllDividers& dividers = config.dividers;
  ui_.fields.GPS->setText(number(dividers.gps));
  ui_.fields.N31->setText(number(dividers.n31));
  ui_.fields.N2_HS->setText(number(dividers.n2_hs));
  ui_.fields.N2_LS->setText(number(dividers.n2_ls));
  ui_.fields.N1_HS->setText(number(dividers.n1_hs));
  ui_.fields.NC1_LS->setText(number(dividers.nc1_ls));
  ui_.fields.NC2_LS->setText(number(dividers.nc2_ls));
  ui_.TCXO->setText(number(config.tcxo_correction));
  for (QCheckBox* box : ui_.constellations) box->setChecked(false);
  for (std::size_t bit = 0; bit < ui_.constellations.size(); ++bit) {
    if (config.ConstellationMask & (1u << bit)) ui_.constellations[bit]->setChecked(true);
  }
  ui_.fields.BW->setText(number(dividers.bw));
  calls_.RefreshFrequencyDisplays();
  ui_.Out1Freq->setFocus();
  ui_.Out1Freq->end(false);
}

void ConfigReadback::ReportUnusableDevice() {
  if (!told_unusable_.insert(access_.serial()).second) return;
  message_(QStringLiteral("Device not usable"),
           QStringLiteral("The clock %1 uses feature reports of %2 bytes; at least %3 are needed. "
                          "Nothing will be sent to it.")
               .arg(QString::fromLatin1(access_.serial().c_str()))
               .arg(access_.FeatureReportByteLength())
               .arg(DeviceLink::kMinimumFeatureReportLength));
}

}  // namespace orvane
