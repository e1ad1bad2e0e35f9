#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>
#include <set>
#include <string>

#include "access/clock_access.h"
#include "protocol/config_report.h"
#include "ui/control_events.h"
#include "ui/modal_message.h"
#include "window/pll/divider_field_boxes.h"

namespace orvane {

// Brings the window into agreement with the open device, or with the absence of one: identity,
// stored configuration, the guards that let commands through, and the receiver's two status
// messages.
class ConfigReadback {
 public:
  struct Controls {
    QWidget* Frame1;
    QWidget* Frame3;
    QWidget* Frame4;
    QLabel* lblManuf;
    QLabel* lblProduct;
    QLabel* lblVersion;
    QComboBox* Enc1;
    QPushButton* OUT1ID;
    QCheckBox* OUT1EN;
    QLineEdit* Out1Freq;
    QPushButton* FindFreq;
    QLabel* Label1;
    QPushButton* SetFreq;
    QPushButton* Advanced;
    DividerFieldBoxes fields;
    QLabel* TCXO_ppb;
    QLineEdit* TCXO;
    // GPS, SBAS, Galileo, BeiDou, IMES, QZSS, Glonass: bit 0 to bit 6 of the stored mask.
    std::array<QCheckBox*, 7> constellations;
  };
  // What the readback asks of other parts of the window.
  struct Calls {
    std::function<void()> RefreshFrequencyDisplays;
    std::function<void()> FlattenSignalBars;
  };

  ConfigReadback(Controls controls, ClockAccess& access, ControlEvents& events,
                 ModalMessage message, Calls calls);

  void ReadDeviceConfiguration();

 private:
  void Reset();
  void ShowIdentity(const ClockIdentity& identity);
  void EnableDeviceControls();
  void Show(const DeviceConfiguration& config);
  // Tells the user, once per device, that its reports are too short to use.
  void ReportUnusableDevice();

  Controls ui_;
  ClockAccess& access_;
  ControlEvents& events_;
  ModalMessage message_;
  Calls calls_;
  std::set<std::string> told_unusable_;  // serial numbers
};

}  // namespace orvane
