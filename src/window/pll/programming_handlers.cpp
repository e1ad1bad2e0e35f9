#include "window/pll/programming_handlers.h"

#include "engine/frequency_displays.h"
#include "engine/input_checks.h"

namespace orvane {

ProgrammingHandlers::ProgrammingHandlers(Controls controls, ClockAccess& access,
                                         ControlEvents& events, ModalMessage message)
    : ui_(controls), access_(access), message_(std::move(message)) {
  events.OnButtonClick(ui_.SetFreq, [this] { SetFreq_Click(); });
  events.OnButtonClick(ui_.WriteRegister, [this] { WriteRegister_Click(); });
  events.OnButtonClick(ui_.Command2, [this] { Command2_Click(); });
}

void ProgrammingHandlers::SetFreq_Click() {
  // Without a usable device the fields stay as they are, displays included.
  if (!access_.AcceptsCommands()) return;
  DividerTexts texts = ui_.fields.Read();
  CheckDividerFields(texts);
  ui_.fields.WriteDividers(texts);
  const std::optional<PllDividers> dividers = DividersFromTexts(texts);
  if (!dividers) {
    // The field check has made every divider sendable, so only BW can be refused here.
    message_(QStringLiteral("Bandwidth not valid"),
             QStringLiteral("BW must be a whole number from 0 to 255"));
    return;
  }
  access_.ProgramPll(*dividers);
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
  if (!access_.GuardsHold(kNeedsDetected | kNeedsConfigLoaded)) return;
  const std::optional<std::uint8_t> reg = WholeByte(ui_.REG->text().toStdString());
  const std::optional<std::uint8_t> data = WholeByte(ui_.DATA->text().toStdString());
  if (!reg || !data) {
    message_(QStringLiteral("Register write not valid"),
             QStringLiteral("REG and DATA must be whole numbers from 0 to 255"));
    return;
  }
  access_.WriteRegister(*reg, *data);
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
