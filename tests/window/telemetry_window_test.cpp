// The receiver's stream through the window: signal bars, oscillator offset, host clock, the
// diagnostic line, and recorded captures replayed by the simulated device.
#include <QFrame>
#include <filesystem>

#include "engine/ubx_trace.h"
#include "sim/capture_replay.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

struct Channel {
  std::uint8_t chn, flags, cno;
};

std::vector<std::uint8_t> SvInfo(std::initializer_list<Channel> channels) {
  std::vector<std::uint8_t> payload(8 + 12 * channels.size(), 0);
  payload[4] = static_cast<std::uint8_t>(channels.size());
  std::size_t at = 8;
  for (const Channel& c : channels) {
    payload[at] = c.chn;
    payload[at + 2] = c.flags;
    payload[at + 4] = c.cno;
    at += 12;
  }
  return BuildUbxFrame(0x01, 0x30, payload);
}

// NAV-TIMEUTC of 2026-12-06 12:34:56 UTC.
std::vector<std::uint8_t> TimeUtc(std::int32_t nano, std::uint8_t valid, std::size_t length = 20) {
  std::vector<std::uint8_t> payload = {0, 0, 0,    0,    0,  0, 0,  0,  0,  0,
                                       0, 0, 0xEA, 0x07, 12, 6, 12, 34, 56, valid};
  for (int i = 0; i < 4; ++i) payload[8 + i] = static_cast<std::uint8_t>(nano >> (8 * i));
  payload.resize(length);
  return BuildUbxFrame(0x01, 0x21, payload);
}

class TelemetryTest : public WindowTest {
 protected:
  // Receiver bytes decoded as the poll decodes them, into the window's displays.
  void Feed(const std::vector<std::uint8_t>& bytes) {
    if (!stream_) stream_.emplace(window_->link());
    stream_->Parse(bytes, {}, [this](const UbxMessage& message) {
      window_->telemetry().UbxHandleMessage(message);
    });
  }
  QFrame* Bar(int i) { return window_->bars().bar(i); }
  QColor Colour(int i) { return Bar(i)->palette().color(QPalette::Window); }
  // Bar i's rectangle inside PicSat's drawing area, as (left, top, width, height).
  QRect Drawn(int i) {
    return Bar(i)->geometry().translated(-Control<QFrame>("PicSat")->contentsRect().topLeft());
  }
  int ScaleHeight() { return Control<QFrame>("PicSat")->contentsRect().height(); }

  std::optional<Telemetry> stream_;
};

TEST_F(TelemetryTest, SvInfoDrawsBarsByChannelOnTheBottomEdge) {
  struct Case {
    Channel channel;
    int bar;  // -1: no bar changes
    int height;
    QColor colour;
  };
  const QColor green(0, 176, 0), red(255, 0, 0);
  const Case cases[] = {
      {{3, 0x01, 40}, 3, 32, green},   {{3, 0x00, 40}, 3, 32, red},   {{5, 0x01, 0}, 5, 2, red},
      {{31, 0x0D, 52}, 31, 41, green}, {{7, 0x01, 41}, 7, 33, green},  // 32.75 drawn as 33
      {{255, 0x01, 40}, -1, 0, {}},    {{40, 0x01, 40}, -1, 0, {}},
  };
  Start();
  for (const Case& c : cases) {
    std::vector<QRect> before;
    for (int i = 0; i < SatelliteBars::kCount; ++i) before.push_back(Bar(i)->geometry());
    Feed(SvInfo({c.channel}));
    for (int i = 0; i < SatelliteBars::kCount; ++i) {
      if (i == c.bar) continue;
      EXPECT_EQ(Bar(i)->geometry(), before[i]) << int{c.channel.chn} << " " << i;
    }
    if (c.bar < 0) continue;
    EXPECT_EQ(Drawn(c.bar), QRect(8 * c.bar + 1, ScaleHeight() - c.height, 7, c.height))
        << int{c.channel.chn};
    EXPECT_EQ(Colour(c.bar), c.colour) << int{c.channel.chn};
    EXPECT_EQ(window_->bars().chart().SatAge(c.bar), 500);
  }
}

TEST_F(TelemetryTest, BarsEmptyFiveHundredTicksAfterTheirLastRefreshExceptBarZero) {
  Start();  // no device: every tick searches and ages the bars
  Feed(SvInfo({{0, 0x01, 40}, {3, 0x01, 40}}));
  Tick(499);
  EXPECT_EQ(Bar(3)->height(), 32);
  EXPECT_EQ(Colour(3), QColor(0, 176, 0));
  Tick();
  EXPECT_EQ(Drawn(3), QRect(25, ScaleHeight() - 2, 7, 2));
  EXPECT_EQ(Colour(3), QColor(Qt::black));
  Tick(600);
  EXPECT_EQ(Bar(0)->height(), 32);
  EXPECT_EQ(Colour(0), QColor(0, 176, 0));
}

TEST_F(TelemetryTest, FlatteningKeepsColoursUntilTheCountersRunOut) {
  Start();
  Feed(SvInfo({{0, 0x01, 40}, {2, 0x00, 30}}));
  Tick(100);
  window_->bars().Flatten();
  for (int i : {0, 2}) EXPECT_EQ(Drawn(i), QRect(8 * i + 1, ScaleHeight() - 2, 7, 2)) << i;
  EXPECT_EQ(Colour(0), QColor(0, 176, 0));
  EXPECT_EQ(Colour(2), QColor(255, 0, 0));
  Tick(400);
  EXPECT_EQ(Colour(0), QColor(0, 176, 0));
  EXPECT_EQ(Colour(2), QColor(Qt::black));
}

TEST_F(TelemetryTest, NavClockShowsOffsetAndAccuracyAndAShortOneChangesNothing) {
  AddDevice();
  Start();
  Feed(NavClockFrame(-123, 4567, 20));
  EXPECT_EQ(Text("TCXO_ppb"), "-123");
  EXPECT_EQ(Text("TCXO_acc"), "4.567");
  EXPECT_EQ(window_->link().latest_clock_drift_ppb, -123);
  Feed(NavClockFrame(77, 1000, 19));
  EXPECT_EQ(Text("TCXO_ppb"), "-123");
  EXPECT_EQ(window_->link().latest_clock_drift_ppb, -123);
  // The trace names the device the frame came from.
  EXPECT_NE(trace_text_.str().find(" G60031 ubx 01 22 20 clkD=-123 fAcc=4567"), std::string::npos);
  EXPECT_NE(trace_text_.str().find(" G60031 ubx 01 22 19"), std::string::npos);
}

TEST_F(TelemetryTest, HostClockIsSetOnlyNearAWholeSecondOfValidUtc) {
  struct Case {
    std::int32_t nano;
    std::uint8_t valid;
    std::size_t length;
    bool set;
  };
  const Case cases[] = {{400000, 0x07, 20, true},  {-500000, 0x04, 20, true},
                        {500000, 0x07, 20, false}, {-500001, 0x07, 20, false},
                        {0, 0x03, 20, false},      {0, 0x07, 19, false}};
  Start();
  for (const Case& c : cases) {
    host_clock_.times.clear();
    Feed(TimeUtc(c.nano, c.valid, c.length));
    if (!c.set) {
      EXPECT_TRUE(host_clock_.times.empty()) << c.nano << " " << int{c.valid};
      continue;
    }
    EXPECT_EQ(host_clock_.times, (std::vector<UtcTime>{{2026, 12, 6, 12, 34, 56, 30}})) << c.nano;
  }
  EXPECT_EQ(TraceLines("clock"),
            (std::vector<std::string>{"clock 2026-12-06T12:34:56.030 simulated",
                                      "clock 2026-12-06T12:34:56.030 simulated"}));
}

TEST_F(TelemetryTest, ARefusedClockIsTracedAndTheStreamGoesOn) {
  Start();
  host_clock_.outcome = "EPERM";
  Feed(TimeUtc(0, 0x07));
  Feed(NavClockFrame(5, 0, 20));
  EXPECT_EQ(TraceLines("clock"), std::vector<std::string>{"clock 2026-12-06T12:34:56.030 EPERM"});
  EXPECT_EQ(Text("TCXO_ppb"), "5");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TelemetryTest, MonitoringAndMeasurementMessagesWriteLabel20) {
  Start();
  Feed(BuildUbxFrame(0x0A, 0x11, std::vector<std::uint8_t>(7)));
  EXPECT_EQ(Text("Label20"), "7 ");
  const std::vector<std::uint8_t> rxm = {0x1F, 0x0A, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF};
  Feed(BuildUbxFrame(0x02, 0x52, rxm));
  EXPECT_EQ(Text("Label20"), "8  1F A 0 FF -2");
  Feed(BuildUbxFrame(0x02, 0x52, std::span(rxm).first(7)));  // too short: unchanged
  EXPECT_EQ(Text("Label20"), "8  1F A 0 FF -2");
}

// A recorded capture replayed by the simulated device, across ticks and report boundaries,
// yields the same frames and clock times as the parser run over the file directly.
class CaptureReplayTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CaptureReplayTest, EveryFrameOnceInOrderAndTheClockTimesTheRuleSelects) {
  std::string error;
  const auto capture =
      LoadCaptureFile(std::filesystem::path(ORVANE_UBX_CAPTURES_DIR) / GetParam(), error);
  ASSERT_TRUE(capture) << error;
  std::vector<std::string> frames, clocks;
  UbxParser parser([&](const UbxFrame& frame) {
    frames.push_back("ubx " + UbxTraceText(frame));
    if (frame.msg_class != kUbxClassNav || frame.msg_id != kUbxIdNavTimeUtc) return;
    const auto time = DecodeNavTimeUtc(frame.payload);
    const auto utc = time ? HostClockTime(*time) : std::nullopt;
    if (utc) clocks.push_back("clock " + UtcTimeText(*utc) + " simulated");
  });
  parser.Parse(*capture);
  ASSERT_FALSE(frames.empty());

  ClockDeviceOptions options;
  options.make_receiver = [bytes = *capture] { return std::make_unique<CaptureReplay>(bytes); };
  AddDevice(options);
  Start();
  // The file plays at the serial link's pace; stop once its frames can all have come through.
  const int ticks_for_file =
      static_cast<int>(capture->size() * 20 / CaptureReplay::kBytesPerSecond) + 40;
  for (int i = 0; i < ticks_for_file && TraceLines("ubx").size() < frames.size(); ++i) Tick();
  std::vector<std::string> ubx = TraceLines("ubx");
  ASSERT_GE(ubx.size(), frames.size());
  ubx.resize(frames.size());
  EXPECT_EQ(ubx, frames);
  std::vector<std::string> set = TraceLines("clock");
  ASSERT_GE(set.size(), clocks.size());
  set.resize(clocks.size());
  EXPECT_EQ(set, clocks);
  EXPECT_GE(host_clock_.times.size(), clocks.size());
}

INSTANTIATE_TEST_SUITE_P(Captures, CaptureReplayTest,
                         ::testing::Values("gpsd_ublox-aek-4t.log", "gpsd_ublox-lea-4t.log",
                                           "gpsd_navisys-gr701w.log", "gpsd_u-blox-m8t-time.log",
                                           "pyubx2_pygpsdata-BADCK2.log",
                                           "pyubx2_pygpsdata-MON.log"));

}  // namespace
}  // namespace orvane
