// Start-up, shutdown, the panel toggle, discovery and selection, and the hint for a clock refused
// for lack of permission, through the window.
#include <csignal>

#include "support/session_rig.h"
#include "support/window_fixture.h"
#include "window/control_inventory.h"
#include "window/termination_signals.h"

namespace orvane {
namespace {

using StartupTest = WindowTest;

TEST_F(StartupTest, AdvancedNarrowsAndWidensTheWindow) {
  Start();
  for (const auto& [width, caption] :
       {std::pair{14000, "Advanced  <<<"}, {4770, "Advanced  >>>"}, {14000, "Advanced  <<<"}}) {
    EXPECT_EQ(window_->OuterWidthTwips(), width);
    EXPECT_EQ(window_->width(), TwipsToPixels(width));
    EXPECT_EQ(Text("Advanced"), caption);
    window_->Advanced_Click();
  }
}

// An unset serial number turns the list red.
TEST_F(StartupTest, NoClockListsNothingOneIsListedDisabledTwoAreSelectableAndAPickSwitches) {
  Start();
  EXPECT_EQ(Control<QComboBox>("SerNo")->count(), 0);
  for (const char* name : {"SerNo", "Frame1", "Frame3"}) EXPECT_FALSE(Control(name)->isEnabled());
  AddDevice("000000");
  Tick();  // found by the poll
  EXPECT_EQ(Control<QComboBox>("SerNo")->count(), 1);
  EXPECT_FALSE(Control("SerNo")->isEnabled());
  EXPECT_TRUE(Control("Frame3")->isEnabled());
  EXPECT_EQ(Control<QComboBox>("SerNo")->palette().color(QPalette::Base), QColor(255, 0, 0));

  AddDevice("G60032");
  Start();
  auto* serials = Control<QComboBox>("SerNo");
  ASSERT_EQ(serials->count(), 2);
  EXPECT_EQ(Text("SerNo"), "G60032");  // the last one listed
  EXPECT_TRUE(serials->isEnabled());
  window_->events().SelectEntry(serials, 0);
  EXPECT_EQ(window_->link().serial(), "000000");
  EXPECT_EQ(TraceLines("open").back(), "open sim:0");
}

// Kill, Ctrl+C and a closed terminal end as closing the window does (pinned by the session trace).
TEST_F(StartupTest, ASignalSwitchesTheReceiverMessagesOffAndClosesBothHandles) {
  int run = 0;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    AddDevice("G6004" + std::to_string(run++));  // its own clock, listed last: opened
    const std::size_t index = sim_.device_count() - 1;
    Start();
    CloseOnTerminationSignals(*window_);
    const std::size_t mark = Mark(index);
    const std::size_t closes = TraceLines("close").size();
    std::raise(signal);
    for (int i = 0; i < 100 && window_->timer().isActive(); ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(CodesSince(mark, index), (std::vector<int>{8, 8})) << signal;
    EXPECT_FALSE(window_->timer().isActive()) << signal;
    EXPECT_EQ(TraceLines("close").size(), closes + 2) << signal;
  }
}

class AccessHintTest : public WindowTest {
 protected:
  void TearDown() override { window_.reset(); }  // before the backend it opened through

  // Starts on the refused clock G60031, listed after a working G60030 when `working_first`.
  ClockDevice& StartRefused(bool working_first = false) {
    if (working_first) AddDevice("G60030");
    refusing_.denied = {"sim:" + std::to_string(sim_.device_count())};
    ClockDevice& refused = AddDevice();
    Start(refusing_);
    return refused;
  }
  bool HintShown() { return Control("lblAccessHint")->isVisible(); }

  // Hidapi lists a refused clock all the same: it reads the serial number from sysfs.
  ScriptedBackend refusing_{traced_, clock_};
};

// Only a refusal for lack of permission is something the udev rule can fix.
TEST_F(AccessHintTest, ShowsWhilePermissionIsRefusedAndHidesWhenUnpluggedOrWhenAccessIsGranted) {
  ClockDevice& refused = StartRefused();
  Tick();
  EXPECT_TRUE(HintShown());
  EXPECT_FALSE(window_->link().DeviceDetected());
  EXPECT_EQ(Text("SerNo"), "G60031");  // still listed, so the user sees which clock it is

  refused.Unplug();
  Tick();
  EXPECT_FALSE(HintShown());
  refused.Replug();
  Tick();
  EXPECT_TRUE(HintShown());

  refusing_.denied.clear();
  Tick(3);
  EXPECT_TRUE(window_->link().DeviceDetected());
  EXPECT_FALSE(HintShown());
  EXPECT_EQ(TraceLines("access"), (std::vector<std::string>{"access denied sim:0", "access ok",
                                                            "access denied sim:0", "access ok"}));
}

// A clock that fails to open for another reason gives way without a hint; one held by another
// program gives way and names the holder.
TEST_F(AccessHintTest, AClockListedLastThatFailsToOpenOrIsHeldLeavesTheOthersUsable) {
  refusing_.refusal = OpenError::kOther;  // busy, an I/O error, or a build without hidraw
  StartRefused(/*working_first=*/true);
  Tick(3);
  EXPECT_EQ(window_->link().serial(), "G60030");
  EXPECT_FALSE(HintShown());
  EXPECT_TRUE(TraceLines("access").empty());

  refusing_.refusal = OpenError::kBusy;
  window_->events().SelectEntry(Control<QComboBox>("SerNo"), 1);
  EXPECT_TRUE(HintShown());
  EXPECT_EQ(Text("lblAccessHint"),
            "A clock is attached but cannot be opened: it is in use by another program.");
  refusing_.refusal = OpenError::kPermissionDenied;
  window_->events().SelectEntry(Control<QComboBox>("SerNo"), 1);
  EXPECT_NE(Text("lblAccessHint").find("permission denied"), std::string::npos);
  EXPECT_FALSE(window_->link().DeviceDetected());  // the user's pick is honoured
  EXPECT_EQ(TraceLines("access"),
            (std::vector<std::string>{"access busy sim:1 another program", "access denied sim:1"}));
}

}  // namespace
}  // namespace orvane
