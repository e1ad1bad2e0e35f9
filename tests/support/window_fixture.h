#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "device/hid/tracing_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "sim/receiver_model.h"
#include "sim/simulated_backend.h"
#include "window/frm_main.h"
#include "window/status/host_clock.h"

namespace orvane {

// The output check box, then the constellations in mask bit order.
inline const char* const kBoxes[] = {"OUT1EN",      "GNSS_GPS",  "GNSS_SBAS", "GNSS_Galileo",
                                     "GNSS_BeiDou", "GNSS_IMES", "GNSS_QZSS", "GNSS_Glonass"};

// Records the times the window sets the host's clock to, and answers `outcome`.
class RecordingHostClock : public HostClock {
 public:
  std::string Set(const UtcTime& time) override {
    times.push_back(time);
    return outcome;
  }
  std::vector<UtcTime> times;
  std::string outcome = "simulated";
};

// The window on simulated devices and a manual clock: nothing sleeps, every report the devices
// receive and every message the window shows can be inspected. Members are public so that rigs
// built outside a test body (the fault matrix) use them as tests do.
class WindowTest : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "window_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }

  // Adds a simulated device with a deterministic receiver (fixed seed and start time).
  ClockDevice& AddDevice(ClockDeviceOptions options = {}) {
    if (!options.make_receiver) {
      options.make_receiver = [] {
        using namespace std::chrono;
        return std::make_unique<ReceiverModel>(
            7, ReceiverModel::UtcTime(sys_days(2026y / December / 6) + 12h));
      };
    }
    return sim_.AddDevice(std::move(options));
  }
  ClockDevice& AddDevice(std::string serial) {
    return AddDevice({.serial = std::move(serial), .make_receiver = nullptr});
  }

  // Creates the window on `backend` (the traced devices unless said) and runs its start-up.
  frmMain& Start() { return Start(traced_); }
  frmMain& Start(HidBackend& backend) {
    window_ = MakeWindow(backend);
    window_->Form_Load();
    return *window_;
  }
  // A window on `backend` (or on the service, through `service`), not yet started, whose
  // messages go to `show` (recorded unless said).
  std::unique_ptr<frmMain> MakeWindow(HidBackend& backend, ModalMessage show = {},
                                      ServiceAccess* service = nullptr) {
    if (!show) {
      show = [this](const QString& title, const QString& text) {
        messages_.emplace_back(title.toStdString(), text.toStdString());
      };
    }
    return std::make_unique<frmMain>(
        AppServices{backend, trace_, std::move(show), clock_, host_clock_, service});
  }

  // Status-timer ticks, the clock moved on by the timer's interval before each.
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      clock_.Advance(std::chrono::milliseconds(window_->timer().interval()));
      window_->poll().Timer_Timer();
    }
  }
  // Ticks until a device is open and read, as after a serial number was written.
  void TickUntilLoaded() {
    for (int i = 0; i < 8 && !window_->link().ConfigLoaded(); ++i) Tick();
  }

  template <typename T = QWidget>
  T* Control(const char* name) {
    T* control = window_->controls().Get<T>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  // The text a line edit, label, list or button shows.
  std::string Text(const char* name) {
    const QWidget* widget = Control(name);
    const char* property = qobject_cast<const QComboBox*>(widget) ? "currentText" : "text";
    return widget->property(property).toString().toStdString();
  }
  // The texts of `names` joined by "|", to compare several displays at once.
  std::string Texts(std::initializer_list<const char*> names) {
    QStringList texts;
    for (const char* name : names) texts << QString::fromStdString(Text(name));
    return texts.join('|').toStdString();
  }
  void SetText(const char* name, const char* text) {
    Control<QLineEdit>(name)->setText(QString::fromUtf8(text));
  }
  void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
  // The user's choice of entry `index` in list `name`.
  void Pick(const char* name, int index) {
    QComboBox* list = Control<QComboBox>(name);
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  // The only message shown since messages_ was cleared, as "title | text", or its title alone;
  // empty when there was none or more than one.
  std::string Message() {
    return messages_.size() == 1 ? messages_[0].first + " | " + messages_[0].second : "";
  }
  std::string Title() { return messages_.size() == 1 ? messages_[0].first : ""; }
  // The states of kBoxes as 'x' (checked) or '-'.
  std::string Boxes() {
    std::string boxes;
    for (const char* box : kBoxes) boxes += Control<QCheckBox>(box)->isChecked() ? 'x' : '-';
    return boxes;
  }

  // Feature reports device `index` received from `mark` on (see Mark()).
  std::vector<std::vector<std::uint8_t>> ReceivedSince(std::size_t mark, std::size_t index = 0) {
    const auto& all = sim_.device(index).received();
    return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
  }
  std::size_t Mark(std::size_t index = 0) { return sim_.device(index).received().size(); }
  // The command codes of those reports: which operations reached the device.
  std::vector<int> CodesSince(std::size_t mark, std::size_t index = 0) {
    std::vector<int> codes;
    for (const auto& report : ReceivedSince(mark, index)) codes.push_back(report[1]);
    return codes;
  }

  // The trace lines written so far whose kind is `kind`, from the kind on.
  std::vector<std::string> TraceLines(const std::string& kind) {
    std::vector<std::string> lines;
    std::istringstream in(trace_text_.str());
    for (std::string line; std::getline(in, line);) {
      std::istringstream fields(line);
      std::string stamp, serial, line_kind;
      fields >> stamp >> serial >> line_kind;
      if (line_kind == kind) lines.push_back(line.substr(line.find(kind)));
    }
    return lines;
  }

  ManualClock clock_;
  std::ostringstream trace_text_;
  TraceLog trace_{&trace_text_, clock_};
  SimulatedBackend sim_{clock_};
  TracingBackend traced_{sim_, trace_};
  RecordingHostClock host_clock_;
  std::vector<std::pair<std::string, std::string>> messages_;
  std::unique_ptr<frmMain> window_;
};

}  // namespace orvane
