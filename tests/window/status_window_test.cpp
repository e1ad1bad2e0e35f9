// The status poll and the receiver's messages through the window: the status and the PLL
// reference shown, the loss of the clock, the silence of a newly opened one, no re-entry from a
// nested event loop; signal bars, oscillator offset, host clock and the diagnostic line.
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

const QColor kGreen(0, 176, 0), kRed(255, 0, 0), kBlack(Qt::black);

class TelemetryTest : public WindowTest {
 protected:
  void SetUp() override { Start(); }  // no device: every tick searches and ages the bars

  // Hands the window a message carrying `decoded` in `field`, as the poll does.
  template <typename T>
  void Handle(const T* UbxMessage::*field, const T& decoded) {
    UbxMessage message;
    message.*field = &decoded;
    window_->telemetry().UbxHandleMessage(message);
  }
  // NAV-SVINFO of `channels`, each {chn, flags, cno}.
  void SvInfo(std::initializer_list<std::array<std::uint8_t, 3>> channels) {
    NavSvInfo info;
    for (const auto& [chn, flags, cno] : channels)
      info.channels[info.num_ch++] = {.chn = chn, .flags = flags, .cno = cno};
    Handle(&UbxMessage::sv_info, info);
  }
  // NAV-TIMEUTC of 2026-12-06 12:34:56 UTC and `nano` ns, all valid (itow and tAcc 0).
  void TimeUtc(std::int32_t nano) {
    Handle(&UbxMessage::time_utc, NavTimeUtc{0, 0, nano, 2026, 12, 6, 12, 34, 56, 0x07});
  }

  QColor Colour(int i) { return window_->bars().bar(i)->palette().color(QPalette::Window); }
  // Bar i's rectangle inside PicSat's drawing area, as (left, top, width, height).
  QRect Drawn(int i) {
    const QRect area = Control<QFrame>("PicSat")->contentsRect();
    return window_->bars().bar(i)->geometry().translated(-area.topLeft());
  }
  // A bar `height` pixels high in place i, standing on the bottom edge.
  QRect Standing(int i, int height) {
    return QRect(8 * i + 1, Control<QFrame>("PicSat")->contentsRect().height() - height, 7, height);
  }
};

// Which channel maps to which bar, and the colours, are the chart's; here the drawing on the bottom
// edge, rounded (32.75 drawn as 33), and the ageing by ticks.
TEST_F(TelemetryTest,
       BarsStandOnTheBottomAndEmpty500TicksAfterARefreshButBarZeroAndFlatKeepColour) {
  SvInfo({{0, 0x01, 40}, {3, 0x01, 40}, {7, 0x00, 41}});
  Tick(499);
  EXPECT_EQ(Drawn(3), Standing(3, 32));
  EXPECT_EQ(Drawn(7), Standing(7, 33));
  EXPECT_EQ(Colour(3), kGreen);
  EXPECT_EQ(Colour(7), kRed);
  SvInfo({{2, 0x00, 30}});
  Tick();
  EXPECT_EQ(Drawn(3), Standing(3, 2));
  EXPECT_EQ(Colour(3), kBlack);
  EXPECT_EQ(Drawn(0), Standing(0, 32));
  Tick(100);
  window_->bars().Flatten();
  for (int i : {0, 2}) EXPECT_EQ(Drawn(i), Standing(i, 2)) << i;
  EXPECT_EQ(Colour(0), kGreen);
  EXPECT_EQ(Colour(2), kRed);
  Tick(400);
  EXPECT_EQ(Colour(0), kGreen);
  EXPECT_EQ(Colour(2), kBlack);
}

TEST_F(TelemetryTest,
       ValidUtcNearAWholeSecondSetsTheHostClockARefusalIsOnlyTracedAndNavClockShows) {
  TimeUtc(400000);
  TimeUtc(500000);  // too far from the whole second
  EXPECT_EQ(host_clock_.times, (std::vector<UtcTime>{{2026, 12, 6, 12, 34, 56, 30}}));
  host_clock_.outcome = "EPERM";
  TimeUtc(0);
  Handle(&UbxMessage::nav_clock, NavClock{.clk_d = -123, .f_acc = 4567});  // the stream goes on
  EXPECT_EQ(TraceLines("clock"),
            (std::vector<std::string>{"clock 2026-12-06T12:34:56.030 simulated",
                                      "clock 2026-12-06T12:34:56.030 EPERM"}));
  EXPECT_EQ(Texts({"TCXO_ppb", "TCXO_acc"}), "-123|4.567");
}

TEST_F(TelemetryTest, MeasurementMessagesWriteLabel20AndOnesTooShortLeaveIt) {
  const std::vector<std::uint8_t> rxm = {0x1F, 0x0A, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF};
  UbxMessage message;
  message.msg_class = 0x02, message.msg_id = 0x52;
  for (const std::size_t length : {8, 7}) {
    message.payload = std::span(rxm).first(length);
    window_->telemetry().UbxHandleMessage(message);
    EXPECT_EQ(Text("Label20"), "8  1F A 0 FF -2") << length;
  }
}

}  // namespace
}  // namespace orvane
