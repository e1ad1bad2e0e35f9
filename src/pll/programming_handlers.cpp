#include "pll/programming_handlers.h"

#include <cmath>

#include "engine/frequency_displays.h"
#include "engine/number_text.h"
#include "protocol/commands.h"

namespace orvane {
namespace {

// A register number or value: a whole number that fits a byte.
std::optional<std::uint8_t> ByteOf(const QString& text) {
  const std::optional<double> value = ParseNumber(text.toStdString());
  if (!value || *value != std::floor(*value) || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

}  // namespace

ProgrammingHandlers::ProgrammingHandlers(Controls controls, DeviceLink& link, ControlEvents& events,
                                         ModalMessage message)
    : ui_(controls), link_(link), message_(std::move(message)) {
  events.OnButtonClick(ui_.SetFreq, [this] { SetFreq_Click(); });
  events.OnButtonClick(ui_.WriteRegister, [this] { WriteRegister_Click(); });
  events.OnButtonClick(ui_.Command2, [this] { Command2_Click(); });
}

bool ProgrammingHandlers::ProgrammingAllowed() const {
  return link_.GuardsHold(kNeedsDetected | kNeedsConfigLoaded) && link_.ReportLengthUsable();
}

void ProgrammingHandlers::SetFreq_Click() {
  if (!ProgrammingAllowed()) return;
  DividerTexts texts = ui_.fields.Read();
  CheckDividerFields(texts);
  ui_.fields.WriteDividers(texts);
  std::vector<std::uint8_t> report = link_.NewFeatureReport();
  if (BuildPllConfigurationImage(texts, report) != PllImageError::kNone) {
    // The field check has made every divider sendable, so only BW can be refused here.
    message_(QStringLiteral("Bandwidth not valid"),
             QStringLiteral("BW must be a whole number from 0 to 255"));
    return;
  }
  link_.Send(report);
  RefreshFrequencyDisplays();
  // The device expects the set twice, back to back; the image is written again from the fields.
  if (!ProgrammingAllowed()) return;
  if (BuildPllConfigurationImage(ui_.fields.Read(), report) != PllImageError::kNone) return;
  link_.Send(report);
  RefreshFrequencyDisplays();
}

void ProgrammingHandlers::RefreshFrequencyDisplays() {
  const std::optional<FrequencyDisplays> displays = FrequencyDisplayTexts(ui_.fields.Read());
  if (!displays) return;
  ui_.Out1Freq->setText(QString::fromStdString(displays->out1_freq));
  ui_.F3lbl->setText(QString::fromStdString(displays->f3lbl));
  ui_.Fosclbl->setText(QString::fromStdString(displays->fosclbl));
  ui_.Label12->setText(QString::fromStdString(displays->label12));
}

void ProgrammingHandlers::WriteRegister_Click() {
  if (!link_.GuardsHold(kNeedsDetected | kNeedsConfigLoaded)) return;
  const std::optional<std::uint8_t> reg = ByteOf(ui_.REG->text());
  const std::optional<std::uint8_t> data = ByteOf(ui_.DATA->text());
  if (!reg || !data) {
    message_(QStringLiteral("Register write not valid"),
             QStringLiteral("REG and DATA must be whole numbers from 0 to 255"));
    return;
  }
  link_.SendCommand(kNeedsDetected | kNeedsConfigLoaded, RegisterWriteCommand(*reg, *data));
}

void ProgrammingHandlers::Command2_Click() {
  CopyPreparedSet(true);
  SetFreq_Click();
}

void ProgrammingHandlers::CopyPreparedSet(bool with_nc2) {
  ui_.fields.NC1_LS->setText(ui_.NC1LS_calc->text());
  if (with_nc2) ui_.fields.NC2_LS->setText(ui_.NC1LS_calc->text());
  ui_.fields.N1_HS->setText(ui_.N1HS_list->currentText());
  ui_.fields.N2_HS->setText(ui_.N2HS_list->currentText());
  ui_.fields.N2_LS->setText(ui_.N2LS_list->currentText());
  ui_.fields.N31->setText(QStringLiteral("1"));
  ui_.fields.GPS->setText(ui_.F3_calc->text());
}

}  // namespace orvane
