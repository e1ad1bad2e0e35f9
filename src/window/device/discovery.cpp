#include "window/device/discovery.h"

#include "ui/colours.h"

namespace orvane {
namespace {

constexpr char kUnsetSerial[] = "000000";

}  // namespace

Discovery::Discovery(Controls controls, ClockSession& session, ControlEvents& events, QTimer& timer,
                     std::function<void()> read_device_configuration)
    : ui_(controls),
      session_(session),
      link_(session.link()),
      events_(events),
      timer_(timer),
      read_device_configuration_(std::move(read_device_configuration)) {
  events_.OnListClick(ui_.SerNo, [this] { SerNo_Click(); });
  // The hint is longer than one line of the column it sits in.
  ui_.lblAccessHint->setWordWrap(true);
}

void Discovery::Scan_USB_devices() {
  link_.DeviceListReady = false;
  ui_.SerNo->clear();
  ui_.SerNo->setEnabled(false);
  int count = -1;
  for (const AttachedClock& clock : session_.ListClocks()) {
    ++count;
    ui_.SerNo->addItem(QString::fromLatin1(clock.serial.c_str()));
    events_.SelectEntry(ui_.SerNo, count);
  }
  if (count > 0) ui_.SerNo->setEnabled(true);
  link_.DeviceListReady = true;
  SetFieldColour(ui_.SerNo, ui_.SerNo->currentText() == QLatin1String(kUnsetSerial)
                                ? QColor(255, 0, 0)
                                : QColor(255, 255, 255));
}

bool Discovery::FindTheHid() { return Open(false); }

bool Discovery::FindTheHidOrAnother() { return Open(true); }

bool Discovery::Open(bool or_another) {
  const std::string selected = ui_.SerNo->currentText().toLatin1().toStdString();
  const ClockSession::OpenResult result = session_.Open(selected, or_another);
  // Another clock taken instead is shown as selected without running SerNo_Click: this is the
  // open it would do.
  if (result.opened && link_.serial != selected) {
    ui_.SerNo->setCurrentText(QString::fromLatin1(link_.serial.c_str()));
  }
  SetAccessDenied(result.denied_path);
  return result.opened;
}

void Discovery::SetAccessDenied(const std::string& denied_path) {
  if (denied_path == access_denied_path_) return;
  access_denied_path_ = denied_path;
  ui_.lblAccessHint->setVisible(!denied_path.empty());
  link_.trace().Write("-", "access", denied_path.empty() ? "ok" : "denied " + denied_path);
}

void Discovery::SerNo_Click() {
  if (!link_.DeviceListReady) return;
  // The poll must not use the handles while they are being replaced.
  timer_.stop();
  link_.ReselectPending = true;
  if (link_.DeviceDetected) session_.DropLink();
  link_.ConfigLoaded = false;
  link_.DeviceDetected = FindTheHid();
  if (link_.DeviceDetected) link_.ReselectPending = false;
  read_device_configuration_();
  timer_.start();
}

}  // namespace orvane
