// A clock that is attached but refused for lack of permission is told apart from no clock: a
// non-modal hint shows while it lasts, and the trace records each change once.
#include "support/session_rig.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

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
  refusing_.refusal = OpenError::kNotFound;
  ClockDevice& refused = StartRefused();
  Tick(2);
  EXPECT_FALSE(HintShown());
  refusing_.refusal = OpenError::kOther;
  Tick(2);
  EXPECT_FALSE(HintShown());
  EXPECT_TRUE(TraceLines("access").empty());

  refusing_.refusal = OpenError::kPermissionDenied;
  Tick();
  EXPECT_TRUE(HintShown());
  EXPECT_FALSE(window_->link().DeviceDetected());
  EXPECT_EQ(Text("SerNo"), "G60031");  // still listed, so the user sees which clock it is
  Tick(5);
  EXPECT_TRUE(HintShown());
  EXPECT_EQ(TraceLines("access"), std::vector<std::string>{"access denied sim:0"});

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
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AccessHintTest, ARefusedClockListedLastLeavesTheOthersUsable) {
  StartRefused(/*working_first=*/true);
  Tick(3);
  EXPECT_EQ(Control<QComboBox>("SerNo")->count(), 2);
  EXPECT_EQ(Text("SerNo"), "G60030");
  EXPECT_TRUE(HintShown());
  EXPECT_EQ(TraceLines("access"), std::vector<std::string>{"access denied sim:1"});
  // The user's own pick of the refused clock is honoured: nothing else is opened for it.
  window_->events().SelectEntry(Control<QComboBox>("SerNo"), 1);
  EXPECT_FALSE(window_->link().DeviceDetected());
}

}  // namespace
}  // namespace orvane
