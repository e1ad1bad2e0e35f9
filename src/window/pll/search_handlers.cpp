#include "window/pll/search_handlers.h"

#include <cmath>

#include "engine/frequency_programming.h"
#include "engine/input_checks.h"
#include "engine/number_text.h"

namespace orvane {
namespace {

constexpr int kEnterKey = 13;
// The window keeps processing events during a long search at about this rate.
constexpr qint64 kEventIntervalMs = 20;

}  // namespace

SearchHandlers::SearchHandlers(Controls controls, VcoCandidates& candidates,
                               VcoSelectionHandlers& selection, ControlEvents& events,
                               ModalMessage message, std::function<void()> process_events)
    : ui_(controls),
      candidates_(candidates),
      model_(new VcoCandidateModel(candidates.table, controls.Fvco_list)),
      selection_(selection),
      events_(events),
      message_(std::move(message)),
      process_events_(std::move(process_events)) {
  ui_.Fvco_list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ui_.Fvco_list->setModel(model_);
  events_.OnButtonClick(ui_.FindFreq, [this] { FindFreq_Click(); });
  QObject::connect(ui_.Out1Freq, &QLineEdit::returnPressed, ui_.Out1Freq,
                   [this] { Out1Freq_KeyPress(kEnterKey); });
}

void SearchHandlers::Out1Freq_KeyPress(int key_ascii) {
  if (key_ascii != kEnterKey) return;
  FindFreq_Click();
  ui_.Out1Freq->setFocus();
}

void SearchHandlers::EnableFrequencyControls(bool enabled) {
  QWidget* const controls[] = {
      ui_.FindFreq,      ui_.Label1,       ui_.SetFreq,   ui_.Out1Freq,     ui_.fields.NC1_LS,
      ui_.fields.NC2_LS, ui_.fields.N1_HS, ui_.Fosclbl,   ui_.fields.N2_HS, ui_.fields.N2_LS,
      ui_.fields.N31,    ui_.fields.GPS,   ui_.fields.BW, ui_.Advanced,     ui_.Command1,
      ui_.set_TCXO,      ui_.set_TCXO_GPS};
  for (QWidget* control : controls) control->setEnabled(enabled);
}

void SearchHandlers::ShowProgress(double fraction) {
  ui_.Progress->resize(static_cast<int>(std::lround(fraction * ui_.Bar->width())),
                       ui_.Progress->height());
  if (since_events_.elapsed() < kEventIntervalMs) return;
  process_events_();
  since_events_.restart();
}

void SearchHandlers::FindFreq_Click() {
  candidates_.CandidatesReady = false;
  const std::string text = ui_.Out1Freq->text().toStdString();
  switch (CheckOutputFrequency(text)) {
    case FrequencyVerdict::kNotANumber:
      message_(QStringLiteral("Frequency not a number"),
               QStringLiteral("Type the output frequency in Hz, for example 10000000"));
      return;
    case FrequencyVerdict::kTooLow:
      message_(QStringLiteral("Frequency too low"),
               QStringLiteral("Lowest available frequency is ") +
                   QString::fromStdString(LowestFrequencyText()));
      return;
    case FrequencyVerdict::kTooHigh:
      message_(QStringLiteral("Frequency too high"),
               QStringLiteral("Highest available frequency is ") +
                   QString::fromStdString(HighestFrequencyText()));
      return;
    case FrequencyVerdict::kAccepted:
      break;
  }
  const std::optional<double> frequency = ParseNumber(text);
  ui_.Bar->setVisible(true);
  ui_.fields.BW->setText(QStringLiteral("15"));
  EnableFrequencyControls(false);
  ui_.fields.NC1_LS->clear();
  ui_.fields.NC2_LS->clear();
  ui_.fields.N1_HS->clear();
  ui_.Fosclbl->clear();
  ui_.fields.N2_HS->clear();
  ui_.fields.N2_LS->clear();
  ui_.fields.N31->clear();
  ui_.fields.GPS->clear();
  ui_.freq_list->clear();
  ui_.freq_list->setEnabled(false);

  since_events_.start();
  FindOutputCandidates(*frequency, scratch_, [this](double fraction) { ShowProgress(fraction); });
  std::swap(candidates_.table, scratch_);
  model_->Refill();
  ui_.Bar->setVisible(false);
  // Not yet ready: this selection alone must not run the VCO selection.
  events_.SelectEntry(ui_.Fvco_list, 0);
  candidates_.CandidatesReady = true;
  if (!selection_.Fvco_list_Click()) {
    message_(QStringLiteral("No exact setting"),
             QString::fromStdString(NoExactSettingText(*frequency, candidates_.table, 0)));
  }
  EnableFrequencyControls(true);
  ui_.Progress->resize(0, ui_.Progress->height());
}

}  // namespace orvane
