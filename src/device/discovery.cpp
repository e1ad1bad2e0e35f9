#include "device/discovery.h"

#include "device/device_ids.h"
#include "device/hid/wide_text.h"

namespace orvane {
namespace {

constexpr char kUnsetSerial[] = "000000";

void SetListBackground(QComboBox* list, const QColor& colour) {
  QPalette palette = list->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Button, colour);
  list->setPalette(palette);
}

}  // namespace

Discovery::Discovery(Controls controls, DeviceLink& link, ControlEvents& events, QTimer& timer,
                     std::function<void()> read_device_configuration)
    : ui_(controls),
      link_(link),
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
  for (const HidDeviceInfo& info : link_.backend().Enumerate(kVendorId, kProductIds)) {
    // A serial number that cannot be read leaves the device out: it could never be selected.
    const std::string serial = LowByteText(info.serial);
    if (serial.empty()) continue;
    ++count;
    ui_.SerNo->addItem(QString::fromLatin1(serial.c_str()));
    events_.SelectEntry(ui_.SerNo, count);
  }
  if (count > 0) ui_.SerNo->setEnabled(true);
  link_.DeviceListReady = true;
  SetListBackground(ui_.SerNo, ui_.SerNo->currentText() == QLatin1String(kUnsetSerial)
                                   ? QColor(255, 0, 0)
                                   : QColor(255, 255, 255));
}

bool Discovery::FindTheHid() { return Open(ui_.SerNo->currentText(), false); }

bool Discovery::FindTheHidOrAnother() { return Open(ui_.SerNo->currentText(), true); }

bool Discovery::Open(const QString& selected, bool or_another) {
  link_.DeviceDetected = false;
  std::vector<HidDeviceInfo> attached;
  for (HidDeviceInfo& info : link_.backend().Enumerate(kVendorId, kProductIds)) {
    if (!LowByteText(info.serial).empty()) attached.push_back(std::move(info));
  }
  std::string denied_path;
  // The first device that matches both the IDs and the selected serial number wins.
  const std::string wanted = selected.toLatin1().toStdString();
  for (const HidDeviceInfo& info : attached) {
    if (LowByteText(info.serial) == wanted && TryOpen(info, denied_path)) break;
  }
  // A clock that cannot be opened must not keep the others from being used: the last listed
  // one that opens is taken instead, and the refused one stays listed with its hint.
  if (!link_.DeviceDetected && or_another && !denied_path.empty()) {
    for (auto info = attached.rbegin(); info != attached.rend(); ++info) {
      if (LowByteText(info->serial) == wanted || !TryOpen(*info, denied_path)) continue;
      // Shown as selected without running SerNo_Click: this is the open it would do.
      ui_.SerNo->setCurrentText(QString::fromLatin1(link_.serial.c_str()));
      break;
    }
  }
  SetAccessDenied(denied_path);
  if (!link_.DeviceDetected) return false;
  link_.FeatureReportByteLength = link_.DeviceHandle->FeatureReportLength();
  link_.InputReportByteLength = link_.DeviceHandle->InputReportLength();
  link_.ReadHandle = link_.backend().Open(link_.DevicePathName);
  return true;
}

bool Discovery::TryOpen(const HidDeviceInfo& info, std::string& denied_path) {
  OpenError error = OpenError::kNone;
  std::unique_ptr<HidDevice> handle = link_.backend().Open(info.path, &error);
  if (!handle) {
    if (error == OpenError::kPermissionDenied && denied_path.empty()) denied_path = info.path;
    return false;
  }
  link_.DeviceHandle = std::move(handle);
  link_.DevicePathName = info.path;
  link_.serial = LowByteText(info.serial);
  link_.VersionNumber = info.release;
  link_.latest_clock_drift_ppb.reset();
  link_.silent_since.reset();
  ++link_.connection;
  link_.DeviceDetected = true;
  return true;
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
  if (link_.DeviceDetected) link_.DropLink();
  link_.ConfigLoaded = false;
  link_.DeviceDetected = FindTheHid();
  if (link_.DeviceDetected) link_.ReselectPending = false;
  read_device_configuration_();
  timer_.start();
}

}  // namespace orvane
