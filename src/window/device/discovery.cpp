#include "window/device/discovery.h"

#include "ui/colours.h"
#include "window/status/poll_timer.h"

namespace orvane {
namespace {

constexpr char kUnsetSerial[] = "000000";

}  // namespace

Discovery::Discovery(Controls controls, ClockAccess& access, ControlEvents& events, QTimer& timer,
                     std::function<void()> read_device_configuration)
    : ui_(controls),
      access_(access),
      events_(events),
      timer_(timer),
      read_device_configuration_(std::move(read_device_configuration)),
      denied_hint_(ui_.lblAccessHint->text()) {
  events_.OnListClick(ui_.SerNo, [this] { SerNo_Click(); });
  // The hint is longer than one line of the column it sits in.
  ui_.lblAccessHint->setWordWrap(true);
}

void Discovery::Scan_USB_devices() {
  // The selections made while listing run SerNo_Click, which waits for the list to be ready.
  access_.Rescan([this](const std::vector<AttachedClock>& clocks) {
    ui_.SerNo->clear();
    ui_.SerNo->setEnabled(false);
    int count = -1;
    for (const AttachedClock& clock : clocks) {
      ++count;
      ui_.SerNo->addItem(QString::fromLatin1(clock.serial.c_str()));
      events_.SelectEntry(ui_.SerNo, count);
    }
    if (count > 0) ui_.SerNo->setEnabled(true);
  });
  SetFieldColour(ui_.SerNo, ui_.SerNo->currentText() == QLatin1String(kUnsetSerial)
                                ? QColor(255, 0, 0)
                                : QColor(255, 255, 255));
}

std::string Discovery::SelectedSerial() const {
  return ui_.SerNo->currentText().toLatin1().toStdString();
}

bool Discovery::FindTheHidOrAnother() {
  const std::string selected = SelectedSerial();
  return ShowOpened(selected, access_.Open(selected, true));
}

bool Discovery::ShowOpened(const std::string& selected, const ClockSession::OpenResult& result) {
  // Another clock taken instead is shown as selected without running SerNo_Click: this is the
  // open it would do.
  const std::string& opened = access_.serial();
  if (result.opened && opened != selected) {
    ui_.SerNo->setCurrentText(QString::fromLatin1(opened.c_str()));
  }
  SetAccessRefused(result);
  return result.opened;
}

void Discovery::SetAccessRefused(const ClockSession::OpenResult& result) {
  std::string refusal;
  if (!result.denied_path.empty()) {
    refusal = "denied " + result.denied_path;
  } else if (!result.busy_path.empty()) {
    refusal = "busy " + result.busy_path + " " + result.busy_holder;
  }
  if (refusal == access_refusal_) return;
  access_refusal_ = refusal;
  ui_.lblAccessHint->setText(
      result.denied_path.empty()
          ? QString::fromStdString("A clock is attached but cannot be opened: it is in use by " +
                                   result.busy_holder + ".")
          : denied_hint_);
  ui_.lblAccessHint->setVisible(!refusal.empty());
  access_.trace().Write("-", "access", refusal.empty() ? "ok" : refusal);
}

void Discovery::SerNo_Click() {
  if (!access_.DeviceListReady()) return;
  // The poll must not use the handles while they are being replaced.
  timer_.stop();
  const std::string selected = SelectedSerial();
  const ClockSession::Reselection reselection = access_.Reselect(selected);
  SetPollInterval(timer_, reselection.poll_interval);
  ShowOpened(selected, reselection.open);
  read_device_configuration_();
  timer_.start();
}

}  // namespace orvane
