// The status poll through the window: reads of several reports, the status flags, the PLL
// reference, loss and recovery of the device, and the bounded wait on a silent one.
#include <QFrame>
#include <deque>
#include <optional>

#include "device/hid/forwarding_backend.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// In front of the simulated devices: once `scripted`, the window reads the test's input reports
// instead of the device's own, and a reference query may be answered with the test's reply.
class ScriptedInput : public ForwardingHidBackend {
 public:
  ScriptedInput(HidBackend& inner, MonotonicClock& clock)
      : ForwardingHidBackend(inner), clock_(clock) {}

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error) override {
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    if (device == nullptr) return nullptr;
    return std::make_unique<Device>(std::move(device), *this);
  }

  bool scripted = false;
  std::deque<std::vector<std::uint8_t>> reports;
  std::optional<std::vector<std::uint8_t>> reference_reply;

 private:
  class Device : public ForwardingHidDevice {
   public:
    Device(std::unique_ptr<HidDevice> inner, ScriptedInput& script)
        : ForwardingHidDevice(std::move(inner)), script_(script) {}

    bool SendFeature(std::span<const std::uint8_t> report) override {
      reference_asked_ = report.size() > 2 && report[1] == command::kReferenceQuery;
      return ForwardingHidDevice::SendFeature(report);
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
      if (!std::exchange(reference_asked_, false) || !script_.reference_reply) {
        return ForwardingHidDevice::GetFeature(report);
      }
      std::fill(report.begin(), report.end(), 0);
      const std::vector<std::uint8_t>& reply = *script_.reference_reply;
      std::copy_n(reply.begin(), std::min(reply.size(), report.size()), report.begin());
      return true;
    }
    int ReadInput(std::span<std::uint8_t> buffer, milliseconds timeout,
                  ReceiveTime* received = nullptr) override {
      if (!script_.scripted) return ForwardingHidDevice::ReadInput(buffer, timeout, received);
      if (script_.reports.empty()) {
        script_.clock_.SleepFor(timeout);
        return 0;
      }
      const std::vector<std::uint8_t> report = std::move(script_.reports.front());
      script_.reports.pop_front();
      std::copy_n(report.begin(), std::min(report.size(), buffer.size()), buffer.begin());
      return static_cast<int>(report.size());
    }

   private:
    ScriptedInput& script_;
    bool reference_asked_ = false;
  };

  MonotonicClock& clock_;
};

class PollTest : public WindowTest {
 protected:
  // The window on the scripted front of the simulated devices.
  void StartScripted() {
    window_ = std::make_unique<frmMain>(
        AppServices{script_, trace_, [](const QString&, const QString&) {}, clock_, host_clock_});
    window_->Form_Load();
  }

  // One tick as the timer runs it; returns how long the tick itself held the window.
  nanoseconds TimedTick() {
    clock_.Advance(milliseconds(window_->timer().interval()));
    const nanoseconds start = clock_.Now();
    window_->poll().Timer_Timer();
    return clock_.Now() - start;
  }

  bool Shown(const char* name) { return !Control<QWidget>(name)->isHidden(); }

  // Commands 10 the device received from `mark` on.
  std::size_t ReferenceQueriesSince(std::size_t mark, std::size_t index = 0) {
    std::size_t count = 0;
    for (const auto& report : ReceivedSince(mark, index)) {
      count += report[1] == command::kReferenceQuery && report[2] == 3;
    }
    return count;
  }

  ScriptedInput script_{traced_, clock_};
};

TEST_F(PollTest, OnlyTheFirstReportShowsTheStatusAndOnlyFlaggedReportsFeedTheParser) {
  AddDevice();
  StartScripted();
  const std::vector<std::uint8_t> frame = NavClockFrame(-123, 4567);  // 28 bytes
  // The frame's first half in the first report, garbage in an unflagged one, the rest in the
  // third: it is decoded only if exactly the flagged reports' bytes reach the parser, in order.
  std::vector<std::uint8_t> first = Report({0, 0xFF, 0x80}), second = Report({0, 7, 0x00});
  std::vector<std::uint8_t> third = Report({0, 9, 0x83});
  std::copy(frame.begin(), frame.begin() + 14, first.end() - 14);
  std::fill(second.begin() + 3, second.end(), 0xB5);
  std::copy(frame.begin() + 14, frame.end(), third.begin() + 3);
  script_.scripted = true;
  script_.reports = {first, second, third};
  Tick();
  EXPECT_EQ(Text("Label16"), "Signal loss count: 255");
  EXPECT_FALSE(Shown("LOS"));
  EXPECT_FALSE(Shown("LOL"));
  EXPECT_EQ(Text("TCXO_ppb"), "-123");
  EXPECT_EQ(Text("TCXO_acc"), "4.567");
  EXPECT_EQ(window_->link().latest_clock_drift_ppb, -123);
  EXPECT_TRUE(script_.reports.empty());
}

TEST_F(PollTest, StatusFlagsOfTheFirstReport) {
  struct Case {
    std::uint8_t flags;
    bool los, lol, save_enabled;
  };
  const Case cases[] = {{0x01, true, false, false},
                        {0x02, false, true, true},
                        {0x83, true, true, false},
                        {0x80, false, false, true}};
  AddDevice();
  StartScripted();
  script_.scripted = true;
  for (const Case& c : cases) {
    script_.reports = {Report({0, 3, c.flags})};
    Tick();
    EXPECT_EQ(Shown("LOS"), c.los) << int{c.flags};
    EXPECT_EQ(Shown("LOL"), c.lol) << int{c.flags};
    EXPECT_EQ(Control<QWidget>("set_TCXO_GPS")->isEnabled(), c.save_enabled) << int{c.flags};
    EXPECT_EQ(Text("Label16"), "Signal loss count: 3");
  }
}

TEST_F(PollTest, ATrailingPartialReportIsNotParsedAndAReadStopsAtTheBufferSize) {
  AddDevice();
  StartScripted();
  const std::vector<std::uint8_t> frame = NavClockFrame(-123, 4567);
  std::vector<std::uint8_t> whole = Report({0, 0, 0x80});
  std::copy(frame.begin(), frame.end(), whole.begin() + 3);
  std::vector<std::uint8_t> partial = whole;
  partial.resize(40);
  script_.scripted = true;
  script_.reports = {partial};
  Tick();
  EXPECT_EQ(Text("Label16"), "Signal loss count: 0");
  EXPECT_TRUE(TraceLines("ubx").empty());

  // 34000 bytes hold 531 reports of 64: the rest wait for the next tick.
  script_.reports.assign(600, whole);
  Tick();
  EXPECT_EQ(script_.reports.size(), 600u - 531u);
  EXPECT_EQ(TraceLines("ubx").size(), 531u);
  Tick();
  EXPECT_EQ(TraceLines("ubx").size(), 600u);
}

TEST_F(PollTest, ReferenceFrequencyAndCorrectionFromTheReply) {
  // P = N2_HS * GPS * N2_LS = 11 * 2875000 * 480 = 15180000000 with the factory dividers.
  constexpr std::uint64_t kScale = 1ull << 28;
  struct Case {
    std::uint64_t count1, count2;
    const char* gps;
    const char* expected;  // nullptr: Label29 keeps its caption
  };
  const Case cases[] = {
      {kScale, kScale, "2875000",
       "PLL reference frequency: 15180000000.000Hz\r\nPLL correction: 0.000Hz"},
      {2 * kScale, kScale, "2875000",
       "PLL reference frequency: 15180000000.000Hz\r\nPLL correction: 7590000000.000Hz"},
      {kScale, 0, "2875000", nullptr},
      {0, kScale, "2875000", nullptr},
      {kScale, kScale, "2875000.9",
       "PLL reference frequency: 15180000000.000Hz\r\nPLL correction: 0.000Hz"},
      {kScale, 2 * kScale, "abc", nullptr},
      {kScale, 2 * kScale, "", nullptr},
  };
  AddDevice();
  StartScripted();
  SetText("N2_HS", "11");
  SetText("N2_LS", "480");
  for (const Case& c : cases) {
    std::vector<std::uint8_t> reply(64, 0);
    for (int i = 0; i < 5; ++i) {
      reply[1 + i] = static_cast<std::uint8_t>(c.count1 >> (8 * (4 - i)));
      reply[6 + i] = static_cast<std::uint8_t>(c.count2 >> (8 * (4 - i)));
    }
    script_.reference_reply = reply;
    Control<QLabel>("Label29")->setText(QStringLiteral("before"));
    SetText("GPS", c.gps);
    Tick();
    EXPECT_EQ(Text("Label29"), c.expected ? c.expected : "before") << c.count1 << " " << c.gps;
  }
}

TEST_F(PollTest, TheReferenceIsAskedEveryTickOnlyFromRelease0112) {
  for (const std::uint16_t release : {0x0111, 0x0112}) {
    ClockDeviceOptions options;
    options.release = release;
    options.serial = release == 0x0111 ? "G60041" : "G60042";
    AddDevice(options);
  }
  Start();  // opens the last one listed: release 0x0112
  std::size_t mark = Mark(1);
  Tick(3);
  EXPECT_EQ(ReferenceQueriesSince(mark, 1), 3u);
  EXPECT_TRUE(Text("Label29").starts_with("PLL reference frequency: "));

  window_->events().SelectEntry(Control<QComboBox>("SerNo"), 0);
  mark = Mark(0);
  Tick(3);
  EXPECT_EQ(window_->link().VersionNumber, 0x0111);
  EXPECT_EQ(ReferenceQueriesSince(mark), 0u);
}

TEST_F(PollTest, UnpluggedDeviceIsLostShownAsAbsentAndFoundAgain) {
  ClockDevice& device = AddDevice();
  Start();
  Tick(120);  // six seconds: signal, lock and drawn bars
  ASSERT_FALSE(Shown("LOS"));
  ASSERT_GT(window_->bars().chart().Bar(1).height, 2);
  const int opens = static_cast<int>(TraceLines("open").size());

  device.Unplug();
  Tick();
  EXPECT_FALSE(window_->link().DeviceDetected);
  EXPECT_EQ(TraceLines("lost"), std::vector<std::string>{"lost sim:0"});
  EXPECT_TRUE(Shown("LOS"));
  EXPECT_TRUE(Shown("LOL"));
  EXPECT_FALSE(Control<QWidget>("set_TCXO_GPS")->isEnabled());
  EXPECT_EQ(window_->timer().interval(), 250);
  for (int i = 1; i < SatelliteBars::kCount; ++i) {
    EXPECT_EQ(window_->bars().bar(i)->height(), 2) << i;
    EXPECT_EQ(window_->bars().bar(i)->palette().color(QPalette::Window), QColor(Qt::black)) << i;
  }

  Tick(8);  // two seconds of searching
  EXPECT_FALSE(window_->link().DeviceDetected);
  EXPECT_EQ(TraceLines("lost").size(), 1u);

  device.Replug();
  Tick();
  EXPECT_TRUE(window_->link().DeviceDetected);
  EXPECT_TRUE(window_->link().ConfigLoaded);
  EXPECT_EQ(static_cast<int>(TraceLines("open").size()), opens + 2);
  Tick();
  EXPECT_EQ(window_->timer().interval(), 50);
  EXPECT_TRUE(device.violations().empty());
}

TEST_F(PollTest, AFailedReadIsALossAndTheDeviceIsReopenedOnTheSameTick) {
  ClockDevice& device = AddDevice();
  Start();
  Tick();
  device.FailNextRead();
  const std::size_t mark = Mark();
  Tick();
  EXPECT_EQ(TraceLines("lost").size(), 1u);
  EXPECT_TRUE(window_->link().DeviceDetected);
  EXPECT_TRUE(window_->link().ConfigLoaded);
  EXPECT_EQ(window_->timer().interval(), 250);
  // The readback switched the receiver's messages on again; no reference query on that tick.
  EXPECT_EQ(ReferenceQueriesSince(mark), 0u);
  EXPECT_FALSE(ReceivedSince(mark).empty());
}

TEST_F(PollTest, AStalledDeviceIsLostAfterOneSecondAndNoTickWaitsLongerThan20Ms) {
  ClockDevice& device = AddDevice();
  Start();
  Tick(10);
  device.StallInput(true);
  const nanoseconds stalled_at = clock_.Now();
  nanoseconds longest{0};
  nanoseconds lost_after{0};
  while (TraceLines("lost").empty()) {
    ASSERT_LT(clock_.Now() - stalled_at, std::chrono::seconds(2));
    const nanoseconds tick_start = clock_.Now() + milliseconds(window_->timer().interval());
    const nanoseconds took = TimedTick();
    // The tick that finds the device lost goes on with the readback, whose pauses are its own.
    if (TraceLines("lost").empty()) longest = std::max(longest, took);
    lost_after = tick_start + ClockSession::kFirstReportWait - stalled_at;
  }
  EXPECT_GE(lost_after, std::chrono::seconds(1));
  EXPECT_LE(lost_after, std::chrono::milliseconds(1100));
  EXPECT_LE(longest, milliseconds(22));  // 20 ms for the report, 2 ms for the reference reply
  EXPECT_TRUE(Shown("LOS"));

  device.StallInput(false);
  Tick(2);
  EXPECT_TRUE(window_->link().DeviceDetected);
  EXPECT_EQ(window_->timer().interval(), 50);
  EXPECT_EQ(TraceLines("lost").size(), 1u);
}

TEST_F(PollTest, ANewlyOpenedDeviceStartsItsOwnSilence) {
  AddDevice();
  StartScripted();
  script_.scripted = true;  // and silent
  const nanoseconds quiet_from = clock_.Now();
  while (clock_.Now() - quiet_from < milliseconds(900)) Tick();
  ASSERT_TRUE(TraceLines("lost").empty());
  window_->discovery().SerNo_Click();  // the user picks the clock again: dropped and reopened
  Tick(2);
  EXPECT_TRUE(TraceLines("lost").empty());
  EXPECT_TRUE(window_->link().DeviceDetected);
}

TEST_F(PollTest, AMessageRaisedInsideATickNeverReentersThePoll) {
  // A modal message runs a nested event loop in which the timer fires again.
  std::size_t nested_ticks = 0;
  std::string nested_trace;
  window_ = std::make_unique<frmMain>(AppServices{traced_, trace_,
                                                  [&](const QString&, const QString&) {
                                                    const std::string before = trace_text_.str();
                                                    window_->poll().Timer_Timer();
                                                    ++nested_ticks;
                                                    nested_trace =
                                                        trace_text_.str().substr(before.size());
                                                  },
                                                  clock_, host_clock_});
  window_->Form_Load();
  ClockDeviceOptions options;
  options.feature_report_length = 39;  // "Device not usable", raised from rediscovery
  AddDevice(options);
  Tick();
  EXPECT_EQ(nested_ticks, 1u);
  EXPECT_EQ(nested_trace, "");
  EXPECT_TRUE(window_->link().DeviceDetected);
}

TEST_F(PollTest, ATickThatGetsNoReportOnlyAgesTheBars) {
  AddDevice();
  StartScripted();
  script_.scripted = true;
  script_.reports = {Report({0, 4, 0x00})};
  Tick();
  const std::size_t mark = Mark();
  Control<QLabel>("Label16")->setText(QStringLiteral("unchanged"));
  EXPECT_EQ(TimedTick(), milliseconds(20));
  EXPECT_EQ(Text("Label16"), "unchanged");
  EXPECT_FALSE(Shown("LOS"));
  EXPECT_TRUE(ReceivedSince(mark).empty());
  EXPECT_TRUE(window_->link().DeviceDetected);
}

}  // namespace
}  // namespace orvane
