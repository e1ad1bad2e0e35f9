#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <functional>

#include "engine/frequency_programming.h"
#include "freqplan/output_search.h"
#include "ui/control_events.h"
#include "ui/modal_message.h"
#include "window/pll/divider_field_boxes.h"
#include "window/pll/programming_handlers.h"

namespace orvane {

// The candidates of the last completed search, as `Fvco_list` shows them.
struct VcoCandidates {
  CandidateTable table;
  bool CandidatesReady = false;
};

// The "DPLL Setup" lists: choosing a VCO candidate derives every exact output and feedback
// divider for it, chains the lists, and programs the first choice of each.
class VcoSelectionHandlers {
 public:
  struct Controls {
    DividerFieldBoxes fields;
    QLineEdit* Out1Freq;
    QComboBox* Fvco_list;
    QComboBox* N1HS_list;
    QLineEdit* NC1LS_calc;
    QComboBox* N2HS_list;
    QComboBox* N2LS_list;
    QLineEdit* F3_calc;
  };

  VcoSelectionHandlers(Controls controls, const VcoCandidates& candidates, ControlEvents& events,
                       ProgrammingHandlers& programming, ModalMessage message);

  // Each returns false when the chain stopped: no number in Out1Freq, no VCO entry selected, or
  // an empty list below the choice. Nothing is then copied into the fields or sent.
  bool Fvco_list_Click();
  bool N1HS_list_Click();
  bool N2HS_list_Click();
  bool N2LS_list_Click();

 private:
  // The working quantities of a handler: Fout from Out1Freq and P of the selected VCO entry.
  std::optional<VcoEntry> SelectedEntry() const;
  // Runs a user's choice; only the outermost handler of a chain tells the user why it stopped.
  void RunChoice(bool (VcoSelectionHandlers::*handler)(),
                 const std::function<QString()>& stopped_text);
  template <typename T>
  void FillList(QComboBox* list, const std::vector<T>& entries);

  Controls ui_;
  const VcoCandidates& candidates_;
  ControlEvents& events_;
  ProgrammingHandlers& programming_;
  ModalMessage message_;
  int choice_depth_ = 0;
  // Whether the divider fields hold the whole setting of the selected VCO entry: a choice in
  // N1HS_list then rewrites N1_HS and NC1_LS; otherwise it would mix two entries' settings.
  bool fields_hold_selection_ = false;
};

}  // namespace orvane
