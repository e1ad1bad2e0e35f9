#include "window/device/output_handlers.h"

#include "engine/input_checks.h"
#include "window/status/poll_timer.h"

namespace orvane {

OutputHandlers::OutputHandlers(Controls controls, ClockAccess& access, QTimer& timer,
                               ControlEvents& events, ModalMessage message)
    : ui_(controls), access_(access), timer_(timer), message_(std::move(message)) {
  events.OnCheckClick(ui_.OUT1EN, [this] { OUT1EN_Click(); });
  events.OnButtonClick(ui_.OUT1ID, [this] { OUT1ID_Click(); });
  events.OnListClick(ui_.Enc1, [this] { Enc1_Click(); });
  events.OnButtonClick(ui_.SetSN, [this] { SetSN_Click(); });
}

void OutputHandlers::OUT1EN_Click() { access_.SetOutputEnabled(ui_.OUT1EN->isChecked()); }

void OutputHandlers::OUT1ID_Click() { access_.ToggleLedBlink(); }

void OutputHandlers::Enc1_Click() {
  const int index = ui_.Enc1->currentIndex();
  if (index >= 0) access_.SetDriveStrength(index);
}

void OutputHandlers::SetSN_Click() {
  // A device too short for any report gets none, and keeps its link.
  if (!access_.DeviceDetected() || !access_.ReportLengthUsable()) return;
  const QString serial = ui_.SN->text();
  if (!IsSerialNumber(serial.toStdString())) {
    message_(QStringLiteral("Serial number not valid"),
             QStringLiteral("A serial number is a letter followed by five digits, for example "
                            "G60031; \"%1\" is not.")
                 .arg(serial));
    return;
  }
  // Sent or not, the link is dropped: the clock is looked for again at the search's pace.
  access_.WriteSerialNumber(serial.toStdString());
  SetPollInterval(timer_, ClockSession::kSearchInterval);
  // Advanced whether or not the send went through; the last number of a letter has no next one,
  // and the user is told before a second clock gets the same number.
  if (const std::optional<std::string> next = NextSerialNumber(serial.toStdString())) {
    ui_.SN->setText(QString::fromStdString(*next));
  } else {
    message_(QStringLiteral("Serial numbers used up"),
             QStringLiteral("%1 was the last serial number of its letter; give SN another letter "
                            "before the next clock.")
                 .arg(serial));
  }
}

}  // namespace orvane
