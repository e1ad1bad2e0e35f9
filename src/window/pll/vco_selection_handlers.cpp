#include "window/pll/vco_selection_handlers.h"

#include <QGuiApplication>
#include <QPalette>

#include "engine/number_text.h"
#include "freqplan/divider_choices.h"
#include "ui/colours.h"

namespace orvane {
namespace {

QString NumberText(double value) { return QString::fromStdString(FormatGeneral(value)); }

std::optional<double> NumberIn(const QString& text) { return ParseNumber(text.toStdString()); }

// Marks the program-made selections a handler makes as part of its chain.
class NestedChoice {
 public:
  explicit NestedChoice(int& depth) : depth_(depth) { ++depth_; }
  ~NestedChoice() { --depth_; }
  NestedChoice(const NestedChoice&) = delete;
  NestedChoice& operator=(const NestedChoice&) = delete;

 private:
  int& depth_;
};

}  // namespace

VcoSelectionHandlers::VcoSelectionHandlers(Controls controls, const VcoCandidates& candidates,
                                           ControlEvents& events, ProgrammingHandlers& programming,
                                           ModalMessage message)
    : ui_(controls),
      candidates_(candidates),
      events_(events),
      programming_(programming),
      message_(std::move(message)) {
  const QString no_setting = QStringLiteral("No divider setting reproduces this VCO frequency");
  events_.OnListClick(ui_.Fvco_list, [this, no_setting] {
    RunChoice(&VcoSelectionHandlers::Fvco_list_Click, no_setting);
  });
  events_.OnListClick(ui_.N1HS_list, [this, no_setting] {
    RunChoice(&VcoSelectionHandlers::N1HS_list_Click, no_setting);
  });
  events_.OnListClick(ui_.N2HS_list, [this] {
    RunChoice(
        &VcoSelectionHandlers::N2HS_list_Click,
        QStringLiteral("No N2_LS gives a phase-detector frequency above 50 kHz with this N2_HS"));
  });
  events_.OnListClick(ui_.N2LS_list, [this, no_setting] {
    RunChoice(&VcoSelectionHandlers::N2LS_list_Click, no_setting);
  });
}

void VcoSelectionHandlers::RunChoice(bool (VcoSelectionHandlers::*handler)(),
                                     const QString& stopped_text) {
  // Inside a chain the list handlers run again as program-made selections; the outermost choice
  // alone reports a stop. Before any search the lists are inert and say nothing, and so they are
  // with no clock open: its readback has emptied and disabled Out1Freq.
  const bool outermost = choice_depth_ == 0;
  const bool completed = (this->*handler)();
  if (completed || !outermost || !candidates_.CandidatesReady || !ui_.Out1Freq->isEnabled()) {
    return;
  }
  if (!NumberIn(ui_.Out1Freq->text())) {
    message_(QStringLiteral("Frequency not a number"),
             QStringLiteral("Type the output frequency in Hz, for example 10000000"));
  } else if (ui_.Fvco_list->currentIndex() < 0) {
    message_(QStringLiteral("No VCO frequency chosen"),
             QStringLiteral("Choose a VCO frequency in the Fvco list first"));
  } else {
    message_(QStringLiteral("No exact setting"), stopped_text);
  }
}

std::optional<VcoSelectionHandlers::Selection> VcoSelectionHandlers::CurrentSelection() const {
  if (!candidates_.CandidatesReady) return std::nullopt;
  const std::optional<double> fout = NumberIn(ui_.Out1Freq->text());
  const int index = ui_.Fvco_list->currentIndex();
  if (!fout || index < 0 || static_cast<std::size_t>(index) >= candidates_.table.CandidateCount()) {
    return std::nullopt;
  }
  const std::int32_t product = candidates_.table.ProductTable[static_cast<std::size_t>(index)];
  return Selection{*fout, product, *fout * product};
}

void VcoSelectionHandlers::FillList(QComboBox* list, const QStringList& entries) {
  list->clear();
  list->addItems(entries);
  list->setEnabled(entries.size() >= 2);
}

bool VcoSelectionHandlers::Fvco_list_Click() {
  const std::optional<Selection> selection = CurrentSelection();
  if (!selection) return false;
  QStringList output_choices;
  for (int n : OutputHsChoices(selection->fout, selection->product)) {
    output_choices << QString::number(n);
  }
  FillList(ui_.N1HS_list, output_choices);
  QStringList feedback_choices;
  for (int h : FeedbackHsChoices(selection->half_vco)) feedback_choices << QString::number(h);
  FillList(ui_.N2HS_list, feedback_choices);
  if (output_choices.isEmpty() || feedback_choices.isEmpty()) return false;

  {
    const NestedChoice nested(choice_depth_);
    events_.SelectEntry(ui_.N1HS_list, 0);
    events_.SelectEntry(ui_.N2HS_list, 0);
    if (!N1HS_list_Click() || !N2HS_list_Click()) return false;
  }

  programming_.CopyPreparedSet(false);
  programming_.SetFreq_Click();
  return true;
}

bool VcoSelectionHandlers::N1HS_list_Click() {
  const std::optional<Selection> selection = CurrentSelection();
  const std::optional<double> n = NumberIn(ui_.N1HS_list->currentText());
  if (!selection || !n) return false;
  ui_.NC1LS_calc->setText(NumberText(OutputLsDivider(selection->product, static_cast<int>(*n))));
  ui_.fields.N1_HS->setText(ui_.N1HS_list->currentText());
  ui_.fields.NC1_LS->setText(ui_.NC1LS_calc->text());
  return true;
}

bool VcoSelectionHandlers::N2HS_list_Click() {
  const std::optional<Selection> selection = CurrentSelection();
  const std::optional<double> h = NumberIn(ui_.N2HS_list->currentText());
  if (!selection || !h) return false;
  QStringList choices;
  for (std::int32_t n2_ls : FeedbackLsChoices(selection->half_vco, static_cast<int>(*h))) {
    choices << QString::number(n2_ls);
  }
  FillList(ui_.N2LS_list, choices);
  if (choices.isEmpty()) return false;
  const NestedChoice nested(choice_depth_);
  events_.SelectEntry(ui_.N2LS_list, 0);
  return true;
}

bool VcoSelectionHandlers::N2LS_list_Click() {
  const std::optional<Selection> selection = CurrentSelection();
  const std::optional<double> h = NumberIn(ui_.N2HS_list->currentText());
  const std::optional<double> n2_ls = NumberIn(ui_.N2LS_list->currentText());
  if (!selection || !h || !n2_ls) return false;
  const double f3 = ChosenF3(selection->half_vco, *h, *n2_ls);
  ui_.F3_calc->setText(NumberText(f3));
  // A phase-detector frequency below 50 kHz is marked red.
  SetFieldColour(ui_.F3_calc, f3 >= 50000 ? QGuiApplication::palette().color(QPalette::Base)
                                          : QColor(255, 0, 0));
  return true;
}

}  // namespace orvane
