#include "device/output_handlers.h"

#include <QRegularExpression>

#include "protocol/commands.h"

namespace orvane {
namespace {

constexpr unsigned kOutputGuards = kNeedsDetected | kNeedsConfigLoaded;
constexpr unsigned kDriveGuards = kNeedsListReady | kNeedsDetected | kNeedsConfigLoaded;
constexpr int kLastSerialNumber = 99999;

}  // namespace

OutputHandlers::OutputHandlers(Controls controls, DeviceLink& link, ControlEvents& events,
                               ModalMessage message)
    : ui_(controls), link_(link), message_(std::move(message)) {
  events.OnCheckClick(ui_.OUT1EN, [this] { OUT1EN_Click(); });
  events.OnButtonClick(ui_.OUT1ID, [this] { OUT1ID_Click(); });
  events.OnListClick(ui_.Enc1, [this] { Enc1_Click(); });
  events.OnButtonClick(ui_.SetSN, [this] { SetSN_Click(); });
}

void OutputHandlers::OUT1EN_Click() {
  link_.SendCommand(kOutputGuards, OutputEnableCommand(ui_.OUT1EN->isChecked()));
}

void OutputHandlers::OUT1ID_Click() {
  if (!link_.GuardsHold(kOutputGuards)) return;
  // The state flips even when the send fails: the device is never asked what it does.
  link_.LedBlinkOn = !link_.LedBlinkOn;
  link_.SendCommand(kOutputGuards, LedBlinkCommand(link_.LedBlinkOn));
}

void OutputHandlers::Enc1_Click() {
  const int index = ui_.Enc1->currentIndex();
  if (index < 0) return;
  link_.SendCommand(kDriveGuards, DriveStrengthCommand(static_cast<std::uint8_t>(index)));
}

void OutputHandlers::SetSN_Click() {
  // A device too short for any report gets none, and keeps its link.
  if (!link_.DeviceDetected || !link_.ReportLengthUsable()) return;
  const QString serial = ui_.SN->text();
  static const QRegularExpression kForm(QStringLiteral("^[A-Za-z][0-9]{5}$"));
  if (!kForm.match(serial).hasMatch()) {
    message_(QStringLiteral("Serial number not valid"),
             QStringLiteral("A serial number is a letter followed by five digits, for example "
                            "G60031; \"%1\" is not.")
                 .arg(serial));
    return;
  }
  link_.SendCommand(kNeedsDetected, SerialNumberCommand(serial.toLatin1().toStdString()));
  // Advanced whether or not the send went through; the last number of a letter has no next one,
  // and the user is told before a second clock gets the same number.
  const int number = serial.mid(1).toInt();
  if (number < kLastSerialNumber) {
    ui_.SN->setText(serial.left(1) + QStringLiteral("%1").arg(number + 1, 5, 10, QLatin1Char('0')));
  } else {
    message_(QStringLiteral("Serial numbers used up"),
             QStringLiteral("%1 was the last serial number of its letter; give SN another letter "
                            "before the next clock.")
                 .arg(serial));
  }
  link_.DropLink();
}

}  // namespace orvane
