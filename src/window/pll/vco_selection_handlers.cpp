#include "window/pll/vco_selection_handlers.h"

#include <QGuiApplication>
#include <QPalette>

#include "engine/number_text.h"
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
  const auto no_setting = [] {
    return QStringLiteral("No divider setting reproduces this VCO frequency");
  };
  // A VCO choice that stops says what is true of the entry and what else the user can choose.
  events_.OnListClick(ui_.Fvco_list, [this] {
    RunChoice(&VcoSelectionHandlers::Fvco_list_Click, [this] {
      return QString::fromStdString(
          NoExactSettingText(*NumberIn(ui_.Out1Freq->text()), candidates_.table,
                             static_cast<std::size_t>(ui_.Fvco_list->currentIndex())));
    });
  });
  events_.OnListClick(ui_.N1HS_list, [this, no_setting] {
    RunChoice(&VcoSelectionHandlers::N1HS_list_Click, no_setting);
  });
  events_.OnListClick(ui_.N2HS_list, [this] {
    RunChoice(&VcoSelectionHandlers::N2HS_list_Click, [] {
      return QStringLiteral("No N2_LS gives a phase-detector frequency above ") +
             QString::fromStdString(F3ThresholdText()) + QStringLiteral(" with this N2_HS");
    });
  });
  events_.OnListClick(ui_.N2LS_list, [this, no_setting] {
    RunChoice(&VcoSelectionHandlers::N2LS_list_Click, no_setting);
  });
}

void VcoSelectionHandlers::RunChoice(bool (VcoSelectionHandlers::*handler)(),
                                     const std::function<QString()>& stopped_text) {
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
    message_(QStringLiteral("No exact setting"), stopped_text());
  }
}

std::optional<VcoEntry> VcoSelectionHandlers::SelectedEntry() const {
  if (!candidates_.CandidatesReady) return std::nullopt;
  const std::optional<double> fout = NumberIn(ui_.Out1Freq->text());
  const int index = ui_.Fvco_list->currentIndex();
  if (!fout || index < 0 || static_cast<std::size_t>(index) >= candidates_.table.CandidateCount()) {
    return std::nullopt;
  }
  return VcoEntry{*fout, candidates_.table.ProductTable[static_cast<std::size_t>(index)]};
}

template <typename T>
void VcoSelectionHandlers::FillList(QComboBox* list, const std::vector<T>& entries) {
  list->clear();
  for (const T entry : entries) list->addItem(QString::number(entry));
  list->setEnabled(entries.size() >= 2);
}

bool VcoSelectionHandlers::Fvco_list_Click() {
  const std::optional<VcoEntry> entry = SelectedEntry();
  if (!entry) return false;
  // The engine's plan for the entry gives the lists; their selections below run the chain.
  const DividerPlan plan =
      PlanDividers(entry->fout, candidates_.table,
                   {.vco_index = static_cast<std::size_t>(ui_.Fvco_list->currentIndex())});
  FillList(ui_.N1HS_list, plan.n1_hs_choices);
  FillList(ui_.N2HS_list, plan.n2_hs_choices);
  fields_hold_selection_ = false;
  if (plan.n1_hs_choices.empty() || plan.n2_hs_choices.empty()) return false;

  {
    const NestedChoice nested(choice_depth_);
    events_.SelectEntry(ui_.N1HS_list, 0);
    events_.SelectEntry(ui_.N2HS_list, 0);
    if (!N1HS_list_Click() || !N2HS_list_Click()) return false;
  }
  // Only a whole setting reaches the fields: the lists' first N2_HS may offer no N2_LS.
  if (!plan) return false;

  programming_.CopyPreparedSet(false);
  fields_hold_selection_ = true;
  programming_.SetFreq_Click();
  return true;
}

bool VcoSelectionHandlers::N1HS_list_Click() {
  const std::optional<VcoEntry> entry = SelectedEntry();
  const std::optional<double> n = NumberIn(ui_.N1HS_list->currentText());
  if (!entry || !n) return false;
  ui_.NC1LS_calc->setText(NumberText(entry->Nc1Ls(static_cast<int>(*n))));
  // Within a VCO choice the whole set is copied at its end, or nothing is.
  if (choice_depth_ == 0 && fields_hold_selection_) {
    ui_.fields.N1_HS->setText(ui_.N1HS_list->currentText());
    ui_.fields.NC1_LS->setText(ui_.NC1LS_calc->text());
  }
  return true;
}

bool VcoSelectionHandlers::N2HS_list_Click() {
  const std::optional<VcoEntry> entry = SelectedEntry();
  const std::optional<double> h = NumberIn(ui_.N2HS_list->currentText());
  if (!entry || !h) return false;
  const std::vector<std::int32_t> choices = entry->N2LsChoices(static_cast<int>(*h));
  FillList(ui_.N2LS_list, choices);
  if (choices.empty()) return false;
  const NestedChoice nested(choice_depth_);
  events_.SelectEntry(ui_.N2LS_list, 0);
  return true;
}

bool VcoSelectionHandlers::N2LS_list_Click() {
  const std::optional<VcoEntry> entry = SelectedEntry();
  const std::optional<double> h = NumberIn(ui_.N2HS_list->currentText());
  const std::optional<double> n2_ls = NumberIn(ui_.N2LS_list->currentText());
  if (!entry || !h || !n2_ls) return false;
  const double f3 = entry->F3(*h, *n2_ls);
  ui_.F3_calc->setText(NumberText(f3));
  SetFieldColour(ui_.F3_calc, F3BelowThreshold(f3)
                                  ? QColor(255, 0, 0)
                                  : QGuiApplication::palette().color(QPalette::Base));
  return true;
}

}  // namespace orvane
