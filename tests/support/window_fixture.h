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
#include "sim/ubx_writer.h"
#include "window/frm_main.h"
#include "window/status/host_clock.h"

namespace orvane {

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
// receive and every message the window shows can be inspected.
class WindowTest : public ::testing::Test {
 protected:
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

  // Creates the window and runs its start-up.
  frmMain& Start() { return Start(traced_); }
  // The same on `backend`, a decorator in front of the traced devices, say.
  frmMain& Start(HidBackend& backend) {
    window_ = MakeWindow(backend);
    window_->Form_Load();
    return *window_;
  }
  // A window on `backend` that records its messages, not yet started.
  std::unique_ptr<frmMain> MakeWindow(HidBackend& backend) {
    return std::make_unique<frmMain>(AppServices{backend, trace_,
                                                 [this](const QString& title, const QString& text) {
                                                   messages_.emplace_back(title.toStdString(),
                                                                          text.toStdString());
                                                 },
                                                 clock_, host_clock_});
  }

  // One status-timer tick, the clock moved on by the timer's interval first.
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      clock_.Advance(std::chrono::milliseconds(window_->timer().interval()));
      window_->poll().Timer_Timer();
    }
  }

  template <typename T>
  T* Control(const char* name) {
    T* control = window_->controls().Get<T>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  std::string Text(const char* name) {
    QWidget* control = window_->controls().Find(QString::fromLatin1(name));
    if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text().toStdString();
    if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentText().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text().toStdString();
    ADD_FAILURE() << "no text control " << name;
    return {};
  }
  void SetText(const char* name, const char* text) {
    Control<QLineEdit>(name)->setText(QString::fromUtf8(text));
  }

  // Feature reports device `index` received from `mark` on (see Mark()).
  std::vector<std::vector<std::uint8_t>> ReceivedSince(std::size_t mark, std::size_t index = 0) {
    const auto& all = sim_.device(index).received();
    return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
  }
  std::size_t Mark(std::size_t index = 0) { return sim_.device(index).received().size(); }

  // The trace lines written so far whose kind is `kind`.
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

  // The feature-report exchanges traced so far, in order, each "set <hex>" or "get <hex>".
  std::vector<std::string> Exchanges() {
    std::vector<std::string> lines;
    std::istringstream in(trace_text_.str());
    for (std::string line; std::getline(in, line);) {
      for (const char* kind : {" set ", " get "}) {
        const std::size_t at = line.find(kind);
        if (at == std::string::npos) continue;
        lines.push_back(line.substr(at + 1));
        break;
      }
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

// A report of `length` bytes: `head` followed by zeros.
inline std::vector<std::uint8_t> Report(std::initializer_list<std::uint8_t> head,
                                        std::size_t length = 64) {
  std::vector<std::uint8_t> report(head);
  report.resize(length, 0);
  return report;
}

// A NAV-CLOCK frame with clkD `clk_d` ns/s and fAcc `f_acc` ps/s, its payload cut to `length`.
inline std::vector<std::uint8_t> NavClockFrame(std::int32_t clk_d, std::int32_t f_acc,
                                               std::size_t length = 20) {
  std::vector<std::uint8_t> payload(20, 0);
  for (int i = 0; i < 4; ++i) {
    payload[8 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(clk_d) >> (8 * i));
    payload[16 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(f_acc) >> (8 * i));
  }
  payload.resize(length);
  return BuildUbxFrame(0x01, 0x22, payload);
}

}  // namespace orvane
