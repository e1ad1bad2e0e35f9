// The receiver's messages through the window: signal bars, oscillator offset, host clock and the
// diagnostic line.
#include <QFrame>

#include "support/window_fixture.h"

namespace orvane {
namespace {

const QColor kGreen(0, 176, 0), kRed(255, 0, 0), kBlack(Qt::black);

class TelemetryTest : public WindowTest {
 protected:
  void SetUp() override { Start(); }  // no device: every tick searches and ages the bars

  // NAV-SVINFO of `channels`, each {chn, flags, cno}, as the poll hands it to the window.
  void SvInfo(std::initializer_list<std::array<std::uint8_t, 3>> channels) {
    NavSvInfo info;
    for (const auto& [chn, flags, cno] : channels) {
      info.channels[info.num_ch++] = {.chn = chn, .flags = flags, .cno = cno};
    }
    UbxMessage message;
    message.sv_info = &info;
    window_->telemetry().UbxHandleMessage(message);
  }
  // NAV-TIMEUTC of 2026-12-06 12:34:56 UTC and `nano` ns.
  void TimeUtc(std::int32_t nano) {
    const NavTimeUtc time = {nano, 2026, 12, 6, 12, 34, 56, /*valid=*/0x07};
    UbxMessage message;
    message.time_utc = &time;
    window_->telemetry().UbxHandleMessage(message);
  }
  void Clock(std::int32_t clk_d, std::int32_t f_acc) {
    const NavClock clock = {.clk_d = clk_d, .f_acc = f_acc};
    UbxMessage message;
    message.nav_clock = &clock;
    window_->telemetry().UbxHandleMessage(message);
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

TEST_F(TelemetryTest, SvInfoDrawsBarsByChannelOnTheBottomEdge) {
  const struct {
    std::array<std::uint8_t, 3> channel;
    int height;  // 0: no bar changes
    QColor colour;
  } cases[] = {{{3, 0x01, 40}, 32, kGreen},
               {{3, 0x00, 40}, 32, kRed},
               {{7, 0x01, 41}, 33, kGreen},  // 32.75 drawn as 33
               {{255, 0x01, 40}, 0, {}}};
  for (const auto& c : cases) {
    std::vector<QRect> before;
    for (int i = 0; i < SatelliteBars::kCount; ++i) before.push_back(Drawn(i));
    SvInfo({c.channel});
    const int changed = c.height ? c.channel[0] : -1;
    for (int i = 0; i < SatelliteBars::kCount; ++i) {
      EXPECT_EQ(Drawn(i), i == changed ? Standing(i, c.height) : before[i]) << c.channel[0] << i;
    }
    if (changed >= 0) {
      EXPECT_EQ(Colour(changed), c.colour) << changed;
    }
  }
}

TEST_F(TelemetryTest, BarsEmptyFiveHundredTicksAfterTheirLastRefreshExceptBarZero) {
  SvInfo({{0, 0x01, 40}, {3, 0x01, 40}});
  Tick(499);
  EXPECT_EQ(Drawn(3), Standing(3, 32));
  EXPECT_EQ(Colour(3), kGreen);
  Tick();
  EXPECT_EQ(Drawn(3), Standing(3, 2));
  EXPECT_EQ(Colour(3), kBlack);
  Tick(600);
  EXPECT_EQ(Drawn(0), Standing(0, 32));
  EXPECT_EQ(Colour(0), kGreen);
}

TEST_F(TelemetryTest, FlatteningKeepsColoursUntilTheCountersRunOut) {
  SvInfo({{0, 0x01, 40}, {2, 0x00, 30}});
  Tick(100);
  window_->bars().Flatten();
  for (int i : {0, 2}) EXPECT_EQ(Drawn(i), Standing(i, 2)) << i;
  EXPECT_EQ(Colour(0), kGreen);
  EXPECT_EQ(Colour(2), kRed);
  Tick(400);
  EXPECT_EQ(Colour(0), kGreen);
  EXPECT_EQ(Colour(2), kBlack);
}

TEST_F(TelemetryTest, NavClockShowsOffsetAndAccuracy) {
  Clock(-123, 4567);
  EXPECT_EQ(Texts({"TCXO_ppb", "TCXO_acc"}), "-123|4.567");
}

TEST_F(TelemetryTest, ValidUtcNearAWholeSecondSetsTheHostClockAndARefusalIsOnlyTraced) {
  TimeUtc(400000);
  TimeUtc(500000);  // too far from the whole second
  EXPECT_EQ(host_clock_.times, (std::vector<UtcTime>{{2026, 12, 6, 12, 34, 56, 30}}));
  host_clock_.outcome = "EPERM";
  TimeUtc(0);
  Clock(5, 0);  // the stream goes on
  EXPECT_EQ(TraceLines("clock"),
            (std::vector<std::string>{"clock 2026-12-06T12:34:56.030 simulated",
                                      "clock 2026-12-06T12:34:56.030 EPERM"}));
  EXPECT_EQ(Text("TCXO_ppb"), "5");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TelemetryTest, MeasurementMessagesWriteLabel20AndOnesTooShortLeaveIt) {
  const std::vector<std::uint8_t> rxm = {0x1F, 0x0A, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF};
  UbxMessage message;
  message.msg_class = 0x02;
  message.msg_id = 0x52;
  for (const std::size_t length : {8, 7}) {
    message.payload = std::span(rxm).first(length);
    window_->telemetry().UbxHandleMessage(message);
    EXPECT_EQ(Text("Label20"), "8  1F A 0 FF -2") << length;
  }
}

}  // namespace
}  // namespace orvane
