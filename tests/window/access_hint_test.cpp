// A clock that is attached but refused for lack of permission is told apart from no clock: a
// non-modal hint shows while it lasts, and the trace records each change once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_ids.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "window/frm_main.h"

namespace orvane {
namespace {

constexpr char kPath[] = "/dev/hidraw3";
constexpr char kWorkingPath[] = "/dev/hidraw2";

class IdleDevice : public HidDevice {
 public:
  bool SendFeature(std::span<const std::uint8_t>) override { return true; }
  bool GetFeature(std::span<std::uint8_t>) override { return true; }
  int ReadInput(std::span<std::uint8_t>, std::chrono::milliseconds, ReceiveTime*) override {
    return 0;
  }
  int FeatureReportLength() const override { return 64; }
  int InputReportLength() const override { return 64; }
  std::optional<std::wstring> Manufacturer() override { return L"Orvane"; }
  std::optional<std::wstring> Product() override { return L"Clock"; }
  std::optional<std::wstring> SerialNumber() override { return L"G60031"; }
};

// One clock whose open is refused with `refusal` until access is granted. Enumeration still gives
// its serial number, as hidapi reads it from sysfs without opening the node.
class RefusingBackend : public HidBackend {
 public:
  std::vector<HidDeviceInfo> Enumerate(std::uint16_t, std::span<const std::uint16_t>) override {
    std::vector<HidDeviceInfo> clocks;
    if (working_clock_first) {
      clocks.push_back({kWorkingPath, kVendorId, kProductIds[0], 0x0100, L"G60030", L"", L""});
    }
    if (attached) {
      clocks.push_back({kPath, kVendorId, kProductIds[0], 0x0100, L"G60031", L"Orvane", L"Clock"});
    }
    return clocks;
  }
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error) override {
    if (granted || path == kWorkingPath) return std::make_unique<IdleDevice>();
    if (error != nullptr) *error = refusal;
    return nullptr;
  }

  bool attached = true;
  bool working_clock_first = false;  // another clock, listed before the refused one, opens
  bool granted = false;
  OpenError refusal = OpenError::kPermissionDenied;
};

class AccessHintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_access_hint";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
  }

  frmMain& LoadWindow() {
    window_ = std::make_unique<frmMain>(
        AppServices{backend_, trace_,
                    [this](const QString& title, const QString&) { messages_.push_back(title); },
                    clock_, host_clock_});
    window_->Form_Load();
    return *window_;
  }
  QLabel* Hint() { return window_->controls().Get<QLabel>("lblAccessHint"); }
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) window_->poll().Timer_Timer();
  }
  // The rest of every `access` line, in order.
  std::vector<std::string> AccessLines() const {
    std::vector<std::string> rests;
    std::istringstream lines(trace_text_.str());
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      std::string seconds, serial, kind, rest;
      fields >> seconds >> serial >> kind;
      std::getline(fields >> std::ws, rest);
      if (kind == "access") rests.push_back(rest);
    }
    return rests;
  }

  RefusingBackend backend_;
  std::ostringstream trace_text_;
  ManualClock clock_;
  SimulatedHostClock host_clock_;
  TraceLog trace_{&trace_text_, clock_};
  std::vector<QString> messages_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(AccessHintTest, ShowsOnceWhileRefusedAndHidesWhenAccessIsGranted) {
  frmMain& window = LoadWindow();
  EXPECT_TRUE(Hint()->isVisible());
  EXPECT_FALSE(window.link().DeviceDetected);
  // The refused clock stays listed, so the user sees which one it is.
  EXPECT_EQ(window.controls().Get<QComboBox>("SerNo")->currentText(), "G60031");

  Tick(5);
  EXPECT_TRUE(Hint()->isVisible());
  EXPECT_EQ(AccessLines(), std::vector<std::string>{std::string("denied ") + kPath});

  backend_.granted = true;
  Tick(3);
  EXPECT_TRUE(window.link().DeviceDetected);
  EXPECT_FALSE(Hint()->isVisible());
  EXPECT_EQ(AccessLines(), (std::vector<std::string>{std::string("denied ") + kPath, "ok"}));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AccessHintTest, ClearsWhenTheRefusedClockIsUnplugged) {
  LoadWindow();
  ASSERT_TRUE(Hint()->isVisible());
  backend_.attached = false;
  Tick();
  EXPECT_FALSE(Hint()->isVisible());
  EXPECT_EQ(AccessLines().back(), "ok");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AccessHintTest, ARefusedClockListedLastLeavesTheOthersUsable) {
  backend_.working_clock_first = true;
  frmMain& window = LoadWindow();
  Tick(3);
  EXPECT_TRUE(window.link().DeviceDetected);
  EXPECT_EQ(window.link().serial, "G60030");
  auto* list = window.controls().Get<QComboBox>("SerNo");
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentText(), "G60030");
  EXPECT_TRUE(Hint()->isVisible());
  EXPECT_EQ(AccessLines(), std::vector<std::string>{std::string("denied ") + kPath});
  // The user's own pick of the refused clock is honoured: nothing else is opened for it.
  window.events().SelectEntry(list, 1);
  EXPECT_FALSE(window.link().DeviceDetected);
}

// Only a refusal for lack of permission is something the udev rule can fix.
TEST_F(AccessHintTest, OtherOpenFailuresAndAbsentClocksShowNoHint) {
  for (const OpenError refusal : {OpenError::kNotFound, OpenError::kOther}) {
    backend_.refusal = refusal;
    LoadWindow();
    Tick(2);
    EXPECT_FALSE(Hint()->isVisible()) << static_cast<int>(refusal);
  }
  backend_.attached = false;
  LoadWindow();
  EXPECT_FALSE(Hint()->isVisible());
  EXPECT_TRUE(AccessLines().empty());
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace orvane
