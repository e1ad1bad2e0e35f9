#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "access/clock_access.h"
#include "ui/control_events.h"
#include "ui/modal_message.h"

namespace orvane {

// The stored TCXO correction, the microcontroller's sleep, and "Factory defaults".
class CorrectionHandlers {
 public:
  struct Controls {
    QLineEdit* TCXO;
    QLabel* TCXO_ppb;
    QPushButton* set_TCXO;
    QPushButton* set_TCXO_GPS;
    QPushButton* Sleep_cmd;
    QPushButton* Command1;
    QComboBox* SerNo;
    QComboBox* Enc1;
    QCheckBox* OUT1EN;
    QLineEdit* Out1Freq;
    QComboBox* Fvco_list;
  };
  // Handlers of other subsystems that factory defaults and the correction run.
  struct Calls {
    std::function<void()> SetSN_Click;
    std::function<void()> FindFreq_Click;
    std::function<void()> Command2_Click;
    std::function<void()> ReadDeviceConfiguration;
  };

  CorrectionHandlers(Controls controls, ClockAccess& access, ControlEvents& events,
                     ModalMessage message, Calls calls);

  // Stores the correction `TCXO` shows, brought within the limits, then reads the device back.
  void set_TCXO_Click();
  // Stores the receiver's current estimate (`TCXO_ppb`), or `TCXO` when there is none.
  void set_TCXO_GPS_Click();
  void Sleep_cmd_Click();
  void Command1_Click();

 private:
  Controls ui_;
  ClockAccess& access_;
  ControlEvents& events_;
  ModalMessage message_;
  Calls calls_;
};

}  // namespace orvane
