// The status poll through the window: the status and the PLL reference shown, the loss of
// the clock, the silence of a newly opened one, and no re-entry from a nested event loop.
#include <QFrame>

#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

class PollTest : public WindowTest {
 protected:
  // The status indicators shown and whether the estimate can be saved, e.g. "LOS LOL".
  std::string Status() {
    return std::string(Control("LOS")->isHidden() ? "" : "LOS ") +
           (Control("LOL")->isHidden() ? "" : "LOL ") +
           (Control("set_TCXO_GPS")->isEnabled() ? "save" : "");
  }
};

TEST_F(PollTest, StatusShowsSignalAndLockApartAndATickWithoutReportChangesNothing) {
  AddDevice();
  Start();
  Tick();
  EXPECT_EQ(Status(), "LOS LOL ");
  Tick(120);
  EXPECT_EQ(Status(), "save");
  EXPECT_EQ(Text("Label16"), "Signal loss count: 0");
  SetText("Out1Freq", "10000000");
  window_->search().FindFreq_Click();  // the PLL settles again; the signal stays
  Tick();
  EXPECT_EQ(Status(), "LOL save");

  sim_.device(0).StallInput(true);
  Tick();
  Control<QLabel>("Label16")->setText(QStringLiteral("unchanged"));
  Tick();
  EXPECT_EQ(Text("Label16"), "unchanged");
  EXPECT_EQ(Status(), "LOL save");
}

TEST_F(PollTest, TheReferenceReplyIsShownWhileTheDividerFieldsHoldNumbers) {
  AddDevice();
  Start();
  Tick();
  EXPECT_TRUE(Text("Label29").starts_with("PLL reference frequency: ")) << Text("Label29");
  Control<QLabel>("Label29")->setText(QStringLiteral("before"));
  SetText("GPS", "abc");
  Tick();
  EXPECT_EQ(Text("Label29"), "before");
}

// The window's wiring of a loss to the chart; which bars the chart empties, and the slower poll,
// are the engine's.
TEST_F(PollTest, AnUnpluggedClockIsShownLostWithFlatBars) {
  ClockDevice& device = AddDevice();
  Start();
  Tick(120);  // six seconds: signal, lock and drawn bars
  ASSERT_GT(window_->bars().bar(1)->height(), 2);
  device.Unplug();
  Tick();
  EXPECT_EQ(Status(), "LOS LOL ");
  EXPECT_EQ(window_->bars().bar(1)->height(), 2);
}

TEST_F(PollTest, ANewlyOpenedClockStartsItsOwnSilence) {
  AddDevice().StallInput(true);
  Start();
  const auto quiet_from = clock_.Now();
  while (clock_.Now() - quiet_from < milliseconds(900)) Tick();
  ASSERT_TRUE(TraceLines("lost").empty());
  window_->discovery().SerNo_Click();  // the user picks the clock again: dropped and reopened
  Tick(2);
  EXPECT_TRUE(TraceLines("lost").empty());
  EXPECT_TRUE(window_->link().DeviceDetected());
}

TEST_F(PollTest, AMessageRaisedInsideATickNeverReentersThePoll) {
  // A modal message runs a nested event loop in which the timer fires again.
  int nested_ticks = 0;
  std::string nested_trace;
  window_ = MakeWindow(traced_, [&](const QString&, const QString&) {
    const std::size_t before = trace_text_.str().size();
    window_->poll().Timer_Timer();
    ++nested_ticks;
    nested_trace = trace_text_.str().substr(before);
  });
  window_->Form_Load();
  ClockDeviceOptions options;
  options.feature_report_length = 39;  // "Device not usable", raised from rediscovery
  AddDevice(options);
  Tick();
  EXPECT_EQ(nested_ticks, 1);
  EXPECT_EQ(nested_trace, "");
  EXPECT_TRUE(window_->link().DeviceDetected());
}

}  // namespace
}  // namespace orvane
