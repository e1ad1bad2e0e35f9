#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "access/clock_access.h"
#include "ui/control_events.h"
#include "ui/modal_message.h"
#include "window/pll/divider_field_boxes.h"

namespace orvane {

// Programming the PLL from the divider fields, the frequency displays, the raw register write and
// "Save and recalibrate PLL".
class ProgrammingHandlers {
 public:
  struct Controls {
    DividerFieldBoxes fields;
    QLineEdit* Out1Freq;
    QLabel* F3lbl;
    QLabel* Fosclbl;
    QLabel* Label12;
    QLineEdit* REG;
    QLineEdit* DATA;
    QLineEdit* NC1LS_calc;
    QLineEdit* F3_calc;
    QComboBox* N1HS_list;
    QComboBox* N2HS_list;
    QComboBox* N2LS_list;
    QPushButton* SetFreq;
    QPushButton* WriteRegister;
    QPushButton* Command2;
  };

  ProgrammingHandlers(Controls controls, ClockAccess& access, ControlEvents& events,
                      ModalMessage message);

  // Checks the fields and sends the PLL configuration twice, refreshing the displays after each.
  void SetFreq_Click();
  void RefreshFrequencyDisplays();
  void WriteRegister_Click();
  void Command2_Click();

  // Copies the set prepared in the "DPLL Setup" lists into the divider fields (N31 becomes 1);
  // NC2_LS too when `with_nc2` is set.
  void CopyPreparedSet(bool with_nc2);

 private:
  Controls ui_;
  ClockAccess& access_;
  ModalMessage message_;
};

}  // namespace orvane
