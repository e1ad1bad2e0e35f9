// The clock session against simulated clocks: every report's bytes, their order and their guards,
// the poll, and the holdover watch on the status it reads.
#include "engine/clock_session.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/holdover.h"
#include "protocol/byte_order.h"
#include "protocol/ubx_frame.h"
#include "protocol/ubx_ids.h"
#include "sim/pll_model.h"
#include "support/session_rig.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// 10 MHz on the lowest VCO candidate: GPS 1875000, N31 1, N2_HS 10, N2_LS 224, N1_HS 10,
// NC1_LS 42, NC2_LS 46, BW 15 in stored forms.
const PllDividers kTenMegahertzDividers = {1875000, 1, 10, 224, 10, 42, 46, 15};
const std::string kTenMegahertz =
    Set("00 04 38 9C 1C 00 00 00 06 DF 00 00 06 29 00 00 2D 00 00 00 0F");
const Lines kReadback = {"get", Set("00 08 06 01 08 00 01 30 0A"),
                         Set("00 08 06 01 08 00 01 22 0A")};

Lines Join(std::initializer_list<Lines> parts) {
  Lines joined;
  for (const Lines& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

// A NAV-CLOCK frame whose clkD is -321.
Bytes NavClockFrame() {
  Bytes payload(20, 0);
  WriteInt(std::span(payload), 8, std::int32_t{-321});
  return BuildUbxFrame(kUbxClassNav, kUbxIdNavClock, payload);
}

// The input report `head` (ID, loss count, flags) carrying `stream` right after it or at its end.
Bytes Carrying(std::initializer_list<std::uint8_t> head, std::span<const std::uint8_t> stream,
               bool at_end = false) {
  Bytes report = Report(head);
  std::ranges::copy(stream, at_end ? report.end() - std::ssize(stream) : report.begin() + 3);
  return report;
}

// One poll that reads a NAV-CLOCK with clkD -321, its exchanges forgotten.
void PollNavClock(SessionRig& rig) {
  rig.script.scripted = true;
  rig.script.reports = {Carrying({0, 0, 0x80}, NavClockFrame())};
  rig.clock.Advance(50ms);
  rig.session.Poll();
  rig.script.scripted = false;
  rig.Exchanges();
}

TEST(ClockSessionCommands, EachSendsItsBytesOnlyWhileItsGuardsHold) {
  constexpr unsigned kLoaded = kNeedsDetected | kNeedsConfigLoaded;
  const struct {
    std::function<bool(ClockSession&)> send;
    Lines sent;
    unsigned guards;
  } cases[] = {
      {[](auto& s) { return s.SetOutputEnabled(true); }, {Set("00 01 01")}, kLoaded},
      {[](auto& s) { return s.SetOutputEnabled(false); }, {Set("00 01 00")}, kLoaded},
      {[](auto& s) { return s.ToggleLedBlink(); }, {Set("00 02 01")}, kLoaded},
      {[](auto& s) { return s.SetDriveStrength(2); }, {Set("00 03 02")}, kLoaded | kNeedsListReady},
      {[](auto& s) { return s.SetConstellations(0x41); }, {Set("00 0C 41")}, kLoaded},
      {[](auto& s) { return s.StoreCorrection(-500); }, {Set("00 0B 0C FE 01")}, kNeedsDetected},
      {[](auto& s) { return s.Sleep(); }, {Set("00 06")}, kLoaded},
      {[](auto& s) { return s.WriteRegister(136, 0x40); }, {Set("00 05 88 40")}, kLoaded},
      {[](auto& s) { return s.WriteSerialNumber("G60032").sent; },
       {Set("00 53 4E 47 36 30 30 33 32")},
       kNeedsDetected},
      {[](auto& s) { return s.ProgramPll(kTenMegahertzDividers); },
       {kTenMegahertz, kTenMegahertz},
       kLoaded},
  };
  // The guards closed by the operations that close them, then a clock whose feature reports are
  // too short for any report: it stays open but is neither read back nor sent anything.
  constexpr unsigned kShort = ~0u;
  const std::pair<unsigned, std::function<void(ClockSession&)>> closed[] = {
      {0, [](ClockSession&) {}},
      {kNeedsListReady,
       [](ClockSession& s) {
         s.Close();
         s.Open("G60031");
         s.Readback();
       }},
      {kNeedsDetected | kNeedsConfigLoaded, [](ClockSession& s) { s.DropLink(); }},
      {kNeedsConfigLoaded, [](ClockSession& s) { s.ReadStoredState(); }},
      {kShort, [](ClockSession&) {}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    for (const auto& [guard, close] : closed) {
      SessionRig rig;
      const auto stored = rig.Connected(
          {.feature_report_length = guard == kShort ? 39 : 64, .make_receiver = nullptr});
      EXPECT_EQ(stored.has_value(), guard != kShort);
      close(rig.session);
      rig.Exchanges();
      const bool sends = guard != kShort && !(guard & cases[i].guards);
      EXPECT_EQ(cases[i].send(rig.session), sends) << "case " << i << " guard " << guard;
      EXPECT_EQ(rig.Exchanges(), sends ? cases[i].sent : Lines{}) << i << " guard " << guard;
      EXPECT_TRUE(rig.sim.device(0).violations().empty()) << i;
    }
  }
}

TEST(ClockSessionFactoryDefaults, ReportOrderFollowsTheStoredSerialOutputAndCorrection) {
  // Drive 32mA; [output on]; 10 MHz on VCO entries 0 and 59, each twice; entry 59 saved with
  // NC2_LS = NC1_LS, twice; a readback; [while the correction is the factory's and an estimate
  // exists: the estimate stored and read back].
  // Entry 59, VCO 6.1 GHz: GPS 1906250, N31 1, N2_HS 10, N2_LS 320, N1_HS 5, NC1_LS 122.
  const std::string entry59 = Set("00 04 4A 16 1D 00 00 00 06 3F 01 00 01 79 00 00 2D 00 00 00 0F");
  const std::string saved = Set("00 04 4A 16 1D 00 00 00 06 3F 01 00 01 79 00 00 79 00 00 00 0F");
  const Lines program = {kTenMegahertz, kTenMegahertz, entry59, entry59, saved, saved};
  const struct {
    std::uint8_t output_flags;
    std::int16_t correction;
    bool estimate;  // of -321 ppb
    Lines sent;
    const char* serial = "G60031";
  } cases[] = {
      {1, -500, true,
       Join({{Set("00 03 03")}, program, kReadback, {Set("00 0B BF FE 01")}, kReadback})},
      {0, -500, false, Join({{Set("00 03 03"), Set("00 01 01")}, program, kReadback})},
      {1, -100, true, Join({{Set("00 03 03")}, program, kReadback})},
      // A new serial drops the link: the rest waits until the clock is found under it.
      {1, -500, true, {Set("00 53 4E 47 36 30 30 33 31")}, "000000"},
  };
  for (const auto& c : cases) {
    SessionRig rig;
    ClockDeviceOptions options{.serial = c.serial, .make_receiver = nullptr};
    options.stored.output_flags = c.output_flags;
    options.stored.tcxo_correction = c.correction;
    options.stored.dividers.nc2_ls = 10;  // any: the search clears the field, as the window's does
    const auto stored = rig.Connected(options);
    if (c.estimate) PollNavClock(rig);
    rig.session.FactoryDefaults(*stored);
    EXPECT_EQ(rig.Exchanges(), c.sent) << int{c.output_flags} << " " << c.correction;
    EXPECT_TRUE(rig.sim.device(0).violations().empty());
  }
}

TEST(ClockSessionOpen, TheFirstOfOneSerialOrWhenRefusedTheLastThatOpens) {
  const struct {
    std::vector<std::string> serials;
    std::set<std::string> denied;
    bool or_another;
    std::string opened;  // empty: none
  } cases[] = {
      {{"G1", "G2", "G1"}, {"sim:0"}, false, "sim:2"},
      {{"G1", "G2", "G3"}, {"sim:0"}, false, ""},
      {{"G1", "G2", "G3"}, {"sim:0"}, true, "sim:2"},
      {{"G1", "G2"}, {"sim:0", "sim:1"}, true, ""},
  };
  for (const auto& c : cases) {
    SessionRig rig;
    for (const std::string& serial : c.serials)
      rig.AddClock({.serial = serial, .make_receiver = {}});
    rig.script.denied = c.denied;
    const ClockSession::OpenResult result = rig.session.Open("G1", c.or_another);
    EXPECT_EQ(result.opened, !c.opened.empty());
    const DeviceLink& link = rig.session.link();
    EXPECT_EQ(link.DeviceDetected() ? link.DevicePathName() : "", c.opened);
    // The first refusal is the one the user is told about.
    EXPECT_EQ(result.denied_path, c.denied.empty() ? "" : "sim:0");
  }
}

class ClockSessionPoll : public ::testing::Test {
 protected:
  void SetUp() override { rig_.Connected(); }
  PollResult Poll() {
    rig_.clock.Advance(50ms);
    const PollResult result =
        rig_.session.Poll({.stream = nullptr, .message = [this](const UbxMessage& message) {
                             received_.push_back(message.received);
                           }});
    if (result.poll_interval) interval_ = *result.poll_interval;
    return result;
  }
  void Script(std::deque<Bytes> reports) {
    rig_.script.scripted = true;
    rig_.script.reports = std::move(reports);
  }

  SessionRig rig_;
  const Bytes frame_ = NavClockFrame();
  std::chrono::milliseconds interval_{0};
  std::vector<ReceiveTime> received_;
};

TEST_F(ClockSessionPoll, OnlyTheFirstReportsStatusAndOnlyFlaggedReportsFeedTheParser) {
  // The frame's first half ends the first report, garbage fills an unflagged one, the rest
  // starts the third: it decodes only if exactly the flagged bytes reach the parser, in order.
  Script({Carrying({0, 0xFF, 0x81}, std::span(frame_).first(14), true),
          Report({0, 7, 0x00, 0xB5, 0x62}), Carrying({0, 9, 0x82}, std::span(frame_).subspan(14))});
  const PollResult result = Poll();
  EXPECT_EQ(result.outcome, PollOutcome::kReports);
  EXPECT_EQ(result.status, (ReportStatus{255, true, false}));
  EXPECT_EQ(result.frames, 1u);
  EXPECT_EQ(rig_.session.telemetry().nav_clock()->value.clk_d, -321);
  // The message carries the time of the report that held its last byte: the third.
  const ReceiveTime third = {rig_.clock.RealtimeAt(3ms), 3ms};
  EXPECT_EQ(received_, std::vector{third});
  EXPECT_EQ(rig_.session.telemetry().nav_clock()->received, third);
}

// A lost clock's half frame must not swallow the first frame of the next connection.
TEST_F(ClockSessionPoll, AFailedReadLosesTheClockSlowsThePollAndTheNextConnectionStartsAfresh) {
  Script({Carrying({0, 0, 0x80}, std::span(frame_).first(14), true)});
  EXPECT_EQ(Poll().outcome, PollOutcome::kReports);
  rig_.script.reports = {{}};
  EXPECT_EQ(Poll().outcome, PollOutcome::kLost);
  EXPECT_FALSE(rig_.session.link().DeviceDetected());
  EXPECT_EQ(interval_, 250ms);
  EXPECT_EQ(Poll().outcome, PollOutcome::kNotOpen);
  EXPECT_NE(rig_.trace_text.str().find(" lost sim:0"), std::string::npos);
  ASSERT_TRUE(rig_.session.Open("G60031").opened);
  rig_.script.reports = {Carrying({0, 0, 0x80}, frame_)};
  EXPECT_EQ(Poll().frames, 1u);
}

TEST_F(ClockSessionPoll, ASilentClockIsLostAfterASecondAndNoPollWaitsLongerThan22Ms) {
  Poll();
  rig_.sim.device(0).StallInput(true);
  const auto stalled_at = rig_.clock.Now();
  std::chrono::nanoseconds longest{0};
  PollOutcome outcome = PollOutcome::kNothingYet;
  while (outcome == PollOutcome::kNothingYet) {
    ASSERT_LT(rig_.clock.Now() - stalled_at, 2s);
    rig_.clock.Advance(50ms);
    const auto start = rig_.clock.Now();
    outcome = rig_.session.Poll().outcome;
    longest = std::max(longest, rig_.clock.Now() - start);
  }
  EXPECT_EQ(outcome, PollOutcome::kLost);
  // Lost at the end of the wait that found the second of silence complete.
  const auto lost_after = rig_.clock.Now() - stalled_at;
  EXPECT_GE(lost_after, 1s);
  EXPECT_LE(lost_after, 1100ms);
  EXPECT_LE(longest, ClockSession::kFirstReportWait + ClockSession::kReferenceReplyDelay);
}

TEST(ClockSessionReference, IsAskedEveryPollOnlyFromRelease0112) {
  for (const std::uint16_t release : {0x0111, 0x0112}) {
    SessionRig rig;
    rig.receiver.drift_ppb = 200;
    rig.Connected({.release = release, .make_receiver = nullptr});
    const bool asks = release >= 0x0112;
    for (int poll = 0; poll < 3; ++poll) {
      rig.clock.Advance(50ms);
      EXPECT_EQ(rig.session.Poll().pll_reference.has_value(), asks);
      EXPECT_EQ(rig.Exchanges(), asks ? (Lines{Set("00 0A 03"), "get"}) : Lines{});
    }
    EXPECT_EQ(rig.session.telemetry().pll_reference(),
              asks ? std::optional(MakeReferenceCounts(FactoryConfiguration().dividers, 200))
                   : std::nullopt);
  }
}

TEST(HoldoverWatch, BeginsWhenTheSignalGoesUnderLockAndEndsWithItsReturnOrTheLock) {
  constexpr bool Y = true, N = false;
  const struct {
    bool locked;
    bool signal;
    int duration_s;  // at the step's second
  } kSteps[] = {
      {Y, N, 0},                                   // acquiring after power-up: not holdover
      {Y, Y, 0}, {Y, N, 0}, {Y, N, 1}, {Y, N, 2},  // signal lost at 2 s
      {Y, Y, 0},                                   // back
      {Y, N, 0}, {N, N, 0}, {Y, N, 0},             // lock lost ends it, relocking does not resume
  };
  HoldoverWatch watch;
  for (int i = 0; i < static_cast<int>(std::size(kSteps)); ++i) {
    const auto& step = kSteps[i];
    watch.Observe(ReportStatus{.no_gnss_signal = !step.signal, .pll_not_locked = !step.locked},
                  i * 1s);
    EXPECT_EQ(watch.Duration(i * 1s), step.duration_s * 1s) << i;
    EXPECT_EQ(watch.active(), (i >= 2 && i <= 4) || i == 6) << i;
  }
  watch.Observe(std::nullopt, 20s);
  EXPECT_FALSE(watch.active());
}

}  // namespace
}  // namespace orvane
