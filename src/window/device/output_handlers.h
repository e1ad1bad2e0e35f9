#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "access/clock_access.h"
#include "ui/control_events.h"
#include "ui/modal_message.h"

namespace orvane {

// Output 1 enable, its drive strength, the LED blink and the (hidden) serial-number command.
class OutputHandlers {
 public:
  struct Controls {
    QCheckBox* OUT1EN;
    QPushButton* OUT1ID;
    QComboBox* Enc1;
    QLineEdit* SN;
    QPushButton* SetSN;
  };

  OutputHandlers(Controls controls, ClockAccess& access, QTimer& timer, ControlEvents& events,
                 ModalMessage message);

  void OUT1EN_Click();
  // Toggles: the first press after a readback starts the blinking, the next stops it.
  void OUT1ID_Click();
  void Enc1_Click();
  // Writes `SN` as the device's serial number, advances `SN` and drops the link so that the
  // device is found again under its new serial number.
  void SetSN_Click();

 private:
  Controls ui_;
  ClockAccess& access_;
  QTimer& timer_;
  ModalMessage message_;
};

}  // namespace orvane
