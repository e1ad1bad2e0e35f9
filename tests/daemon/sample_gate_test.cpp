#include "daemon/sample_gate.h"

#include <gtest/gtest.h>

#include "daemon/leap_second.h"
#include "daemon/offset_estimate.h"
#include "daemon/utc_of_message.h"

namespace orvane {
namespace {

using namespace std::chrono;

constexpr ReportStatus kGood{};  // no loss, signal, locked
constexpr NavTimeUtc kValid = {.t_acc = 30, .year = 2026, .month = 12, .day = 7, .valid = 0x37};
const SampleGateSettings kSettings = {.max_time_error = microseconds(100),
                                      .not_before = sys_days(2026y / December / 7)};

TEST(SampleGate, SendsOnlyWhatTheReceiverVouchesForAndSaysSoOnceEachWay) {
  const auto with = [](auto change) {
    NavTimeUtc time = kValid;
    change(time);
    return time;
  };
  const struct {
    NavTimeUtc time;
    ReportStatus status;
    std::optional<HoldReason> reason;
  } kCases[] = {
      {kValid, kGood, std::nullopt},
      {with([](NavTimeUtc& t) { t.t_acc = 100'000; }), kGood, std::nullopt},  // the limit itself
      {kValid, {.pll_not_locked = true}, HoldReason::kPllUnlocked},
      {kValid, {.no_gnss_signal = true}, HoldReason::kSignalLost},
      {with([](NavTimeUtc& t) { t.valid = 0x06; }), kGood, HoldReason::kTimeInvalid},  // TOW
      {with([](NavTimeUtc& t) { t.valid = 0x05; }), kGood, HoldReason::kTimeInvalid},  // week
      {with([](NavTimeUtc& t) { t.valid = 0x03; }), kGood, HoldReason::kTimeInvalid},  // UTC
      {with([](NavTimeUtc& t) { t.month = 13; }), kGood, HoldReason::kTimeInvalid},
      {with([](NavTimeUtc& t) { t.t_acc = 100'001; }), kGood, HoldReason::kTimeError},
      {with([](NavTimeUtc& t) { t.day = 6; }), kGood, HoldReason::kBeforeBuild},
      {with([](NavTimeUtc& t) { t.year = 2007; }), kGood, HoldReason::kBeforeBuild},  // rollover
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(HoldReasonOf(c.time, c.status, kSettings), c.reason)
        << (c.reason ? HoldReasonName(*c.reason) : "sent");
  }
  EXPECT_EQ(HoldReasonOf(kValid, std::nullopt, kSettings), HoldReason::kPllUnlocked);

  SampleGate gate(kSettings);
  const ReportStatus lost = {.no_gnss_signal = true};
  EXPECT_EQ(gate.Judge(kValid, kGood).change, std::nullopt);
  EXPECT_EQ(gate.Judge(kValid, lost).change,
            "chrony samples held: the clock reports no GNSS signal (signal_lost)");
  EXPECT_FALSE(gate.Judge(kValid, lost).send);
  EXPECT_EQ(gate.Judge(kCases[8].time, kGood).change,
            "chrony samples held: the receiver's time accuracy estimate exceeds "
            "--max-time-error (time_error)");
  const SampleGate::Verdict back = gate.Judge(kValid, kGood);
  EXPECT_TRUE(back.send);
  EXPECT_EQ(back.change, "chrony samples resumed after 3 held back");
  EXPECT_EQ(gate.held(), (HeldCounts{{"before_build", 0},
                                     {"pll_unlocked", 0},
                                     {"signal_lost", 2},
                                     {"time_error", 1},
                                     {"time_invalid", 0}}));
}

TEST(LeapSecond, AnnouncedOnlyOnTheLastDayOfJuneOrDecember) {
  const RealTime new_year = sys_days(2027y / January / 1);
  const RealTime july = sys_days(2027y / July / 1);
  const NavTimeLs insert = {.src_of_ls_change = 2, .ls_change = 1, .valid = 0x03};
  const auto announced = [](NavTimeLs leap, RealTime event, seconds before, seconds late = {}) {
    leap.time_to_ls_event = static_cast<std::int32_t>(before.count());
    return AnnouncedLeap(leap, event - before + late);
  };
  const LeapEvent inserted = {new_year, LeapIndicator::kInsertSecond};
  EXPECT_EQ(announced(insert, new_year, days(30)), inserted);
  EXPECT_EQ(announced(insert, new_year, hours(3), seconds(20)), inserted);  // message 20 s old
  NavTimeLs deletion = insert, no_source = insert, not_valid = insert, no_change = insert;
  deletion.ls_change = -1, no_change.ls_change = 0;
  no_source.src_of_ls_change = 0, not_valid.valid = 0x01;
  EXPECT_EQ(announced(deletion, july, hours(1)), (LeapEvent{july, LeapIndicator::kDeleteSecond}));
  // Receiver noise: another month, no source, no valid time, no change, a past event.
  EXPECT_EQ(announced(insert, sys_days(2027y / April / 1), hours(1)), std::nullopt);
  EXPECT_EQ(announced(insert, new_year + hours(12), hours(1)), std::nullopt);
  for (const NavTimeLs& leap : {no_source, not_valid, no_change})
    EXPECT_EQ(announced(leap, new_year, hours(1)), std::nullopt);
  EXPECT_EQ(announced(insert, new_year, seconds(-5)), std::nullopt);

  const struct {
    RealTime utc;
    LeapIndicator leap;
  } kSamples[] = {{new_year - days(1) - seconds(1), LeapIndicator::kNone},
                  {new_year - days(1), LeapIndicator::kInsertSecond},
                  {new_year - seconds(1), LeapIndicator::kInsertSecond},
                  {new_year, LeapIndicator::kNone}};
  for (const auto& sample : kSamples) {
    EXPECT_EQ(LeapIndicatorAt(inserted, sample.utc), sample.leap);
    EXPECT_EQ(LeapIndicatorAt(std::nullopt, sample.utc), LeapIndicator::kNone);
  }
}

TEST(UtcOfMessage, ValidFieldsWithNanoElseNothing) {
  using std::chrono::nanoseconds;
  const struct {
    NavTimeUtc time;
    std::optional<std::int64_t> ns_since_epoch;
  } cases[] = {
      {{.year = 1970, .month = 1, .day = 1, .hour = 1, .min = 2, .sec = 3, .valid = 0x07},
       3'723'000'000'000},
      // nano may be negative: the solution lies just before the whole second named.
      {{.nano = -1500, .year = 2024, .month = 2, .day = 29, .valid = 0x04},
       1'709'164'800'000'000'000 - 1500},
      {{.year = 2024, .month = 1, .day = 1, .valid = 0x03}, std::nullopt},   // UTC not valid
      {{.year = 2023, .month = 2, .day = 29, .valid = 0x07}, std::nullopt},  // no such day
      {{.year = 2016, .month = 12, .day = 31, .hour = 23, .min = 59, .sec = 60, .valid = 0x07},
       std::nullopt},  // a leap second
  };
  for (const auto& c : cases) {
    const std::optional<RealTime> utc = UtcOfMessage(c.time);
    ASSERT_EQ(utc.has_value(), c.ns_since_epoch.has_value()) << c.time.year;
    if (utc) {
      EXPECT_EQ(utc->time_since_epoch(), nanoseconds(*c.ns_since_epoch)) << c.time.year;
    }
  }
}

TEST(OffsetEstimate, MeanSpreadAndTheOffsetThatCancelsIt) {
  OffsetEstimate estimate;
  EXPECT_EQ(OffsetEstimateText("G60031", estimate),
            "G60031: no samples (PLL unlocked or UTC not valid)");
  for (double offset : {-0.004, -0.254, -0.254, -0.004}) estimate.Add(offset);
  EXPECT_DOUBLE_EQ(estimate.mean(), -0.129);
  EXPECT_NEAR(estimate.spread(), 0.144338, 1e-6);
  EXPECT_EQ(OffsetEstimateText("G60031", estimate),
            "G60031: 4 samples, mean offset -0.129000 s, spread 0.144338 s (min -0.254000, max "
            "-0.004000); chrony.conf: offset 0.129000");
}

}  // namespace
}  // namespace orvane
