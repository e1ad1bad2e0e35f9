#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "ui/control_events.h"
#include "ui/modal_message.h"
#include "window/pll/divider_field_boxes.h"
#include "window/pll/vco_candidate_model.h"
#include "window/pll/vco_selection_handlers.h"

namespace orvane {

// The output frequency search: from the frequency typed in `Out1Freq` to the sorted list of VCO
// candidates in `Fvco_list`, ending with the device programmed for the lowest one.
class SearchHandlers {
 public:
  struct Controls {
    DividerFieldBoxes fields;
    QLineEdit* Out1Freq;
    QLabel* Label1;
    QLabel* Fosclbl;
    QPushButton* FindFreq;
    QPushButton* SetFreq;
    QPushButton* Advanced;
    QPushButton* Command1;
    QPushButton* set_TCXO;
    QPushButton* set_TCXO_GPS;
    QWidget* Bar;
    QWidget* Progress;
    QComboBox* freq_list;
    QComboBox* Fvco_list;
  };

  SearchHandlers(Controls controls, VcoCandidates& candidates, VcoSelectionHandlers& selection,
                 ControlEvents& events, ModalMessage message, std::function<void()> process_events);

  void FindFreq_Click();
  void Out1Freq_KeyPress(int key_ascii);
  void EnableFrequencyControls(bool enabled);

 private:
  void ShowProgress(double fraction);

  Controls ui_;
  VcoCandidates& candidates_;
  CandidateTable scratch_;  // filled by a running search, then swapped in
  VcoCandidateModel* model_;
  VcoSelectionHandlers& selection_;
  ControlEvents& events_;
  ModalMessage message_;
  std::function<void()> process_events_;
  QElapsedTimer since_events_;
};

}  // namespace orvane
