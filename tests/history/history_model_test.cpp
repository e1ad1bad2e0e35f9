#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <tuple>

#include "history/csv_log.h"
#include "history/decimation.h"
#include "history/deviation_table.h"
#include "history/history_store.h"
#include "history/sample_ring.h"
#include "history/sky_view.h"
#include "history/stability_input.h"
#include "history/time_ticks.h"

namespace orvane {
namespace {

constexpr std::int64_t kStart = 1'796'558'400'000;  // 2026-12-06T12:00:00Z

HistorySample At(std::int64_t time_ms, float offset_ppb = 0, std::int32_t bias_ns = 0) {
  return {.time_ms = time_ms, .offset_ppb = offset_ppb, .clock_bias_ns = bias_ns};
}

TEST(SampleRing, KeepsTheNewestUpToItsCapacityInTimeOrder) {
  SampleRing ring(1000);
  for (int i = 0; i < 2500; ++i) ring.Push(At(kStart + i * 250));
  ASSERT_EQ(ring.size(), 1000u);
  EXPECT_LE(ring.MemoryBytes(), 1000 * sizeof(HistorySample));
  EXPECT_EQ(ring[0].time_ms, kStart + 1500 * 250);
  EXPECT_EQ(ring.back().time_ms, kStart + 2499 * 250);
  EXPECT_EQ(ring.LowerBound(kStart + 2000 * 250 - 1), 500u);
  EXPECT_EQ(ring.LowerBound(kStart), 0u);
  EXPECT_EQ(ring.LowerBound(kStart + 2500 * 250), 1000u);
}

TEST(Decimation, EveryColumnKeepsItsMinimumAndMaximum) {
  SampleRing ring;
  std::mt19937 random(5);
  std::normal_distribution<float> noise(0, 10);
  for (int i = 0; i < 20000; ++i) {
    HistorySample sample = At(kStart + i * 250, i == 7777 ? 5000 : noise(random));  // a glitch
    sample.clock = i % 5 == 0;  // every fifth from another clock
    ring.Push(sample);
  }
  constexpr int kColumns = 300;
  const std::int64_t from = kStart + 1000, to = kStart + 19000 * 250;
  const SeriesField fields[] = {SeriesField::kOffsetPpb};
  const auto decimated = DecimateMinMax(ring, 0, fields, from, to, kColumns);
  const std::vector<PlotPoint>& points = decimated[0];
  EXPECT_LE(points.size(), 2u * kColumns);
  EXPECT_TRUE(std::ranges::is_sorted(points, {}, &PlotPoint::time_ms));
  std::vector<float> low(kColumns, 1e9f), high(kColumns, -1e9f);
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const HistorySample& sample = ring[i];
    if (sample.clock != 0 || sample.time_ms < from || sample.time_ms >= to) continue;
    const auto column = static_cast<std::size_t>((sample.time_ms - from) * kColumns / (to - from));
    low[column] = std::min(low[column], sample.offset_ppb);
    high[column] = std::max(high[column], sample.offset_ppb);
  }
  for (const auto* extremes : {&low, &high}) {
    for (const float extreme : *extremes)
      EXPECT_NE(std::ranges::find(points, extreme, &PlotPoint::value), points.end()) << extreme;
  }
  EXPECT_EQ(std::ranges::max(points, {}, &PlotPoint::value).time_ms, kStart + 7777 * 250);
}

TEST(StabilityInput, PhaseFollowsTheBiasBridgingItsStepsOrElseTheDrift) {
  SampleRing moving, still;
  // Two seconds apart with one message lost long ago, 300 ppb, the bias stepped back by a
  // millisecond once; the host stamps each message a few milliseconds late.
  moving.Push(At(kStart, 300, 0));
  for (int i = 2; i < 60; ++i) {
    const auto bias = static_cast<std::int32_t>(600 * i - (i >= 30 ? 1'000'000 : 0));
    moving.Push(At(kStart + i * 2000 + (i % 3) * 7, 300, bias));
  }
  const StabilityInput input = MakeStabilityInput(moving, 0, kStart, kStart + 200'000);
  EXPECT_DOUBLE_EQ(input.tau0, 2.0);
  ASSERT_EQ(input.phase.size(), 58u);  // the run after the gap
  EXPECT_EQ(input.drift_steps, 1u);
  for (std::size_t i = 0; i < input.phase.size(); ++i)
    EXPECT_NEAR(input.phase[i], 600e-9 * static_cast<double>(i), 1e-15) << i;

  // A bias that never moves: the drift, integrated.
  for (int i = 0; i < 10; ++i) still.Push(At(kStart + i * 1000, i < 5 ? 100 : 200, 42));
  const StabilityInput drift = MakeStabilityInput(still, 0, kStart, kStart + 10'000);
  ASSERT_EQ(drift.phase.size(), 10u);
  EXPECT_EQ(drift.drift_steps, 9u);
  EXPECT_NEAR(drift.phase[9], (4 * 100 + 150 + 4 * 200) * 1e-9, 1e-15);
}

UbxMessage Received(std::int64_t time_ms, const NavSvInfo* sv, const NavClock* clock = nullptr) {
  UbxMessage message;
  message.sv_info = sv;
  message.nav_clock = clock;
  message.received.realtime =
      std::chrono::system_clock::time_point(std::chrono::milliseconds(time_ms));
  return message;
}

TEST(HistoryStore, ASampleCarriesTheLatestSatellitesAndStatusOfItsClock) {
  NavSvInfo info{.num_ch = 4};
  info.channels[0] = {.svid = 3, .flags = 0x0D, .cno = 44, .elevation = 40, .azimuth = 100};
  info.channels[1] = {.svid = 7, .flags = 0x0D, .cno = 37, .elevation = 12, .azimuth = 250};
  info.channels[2] = {.svid = 9, .flags = 0x0C, .cno = 25, .elevation = 5, .azimuth = 359};
  info.channels[3] = {.svid = 11, .flags = 0x00, .cno = 0, .elevation = 0, .azimuth = 0};
  HistoryStore store;
  store.Take("G60031", Received(kStart, &info), std::nullopt);
  const NavClock clock{.clk_b = -5000, .clk_d = 250, .t_acc = 30, .f_acc = 3500};
  store.Take("G60031", Received(kStart + 500, nullptr, &clock), ReportStatus{4, false, false});
  store.Take("G60032", Received(kStart + 900, nullptr, &clock), ReportStatus{0, true, true});

  ASSERT_EQ(store.samples().size(), 2u);
  // Every column of the first, through the log's row.
  EXPECT_EQ(CsvRow(store.samples()[0]),
            "2026-12-06T12:00:00.500Z,250,3.5,-5000,30,2,3,40.50,1,0,4\n");
  EXPECT_EQ(store.samples()[1].flags, HistorySample::kGnssSignalLost);
  EXPECT_EQ(store.samples()[1].clock, 1);
  EXPECT_EQ(store.ClockIndex("G60032"), 1);
  EXPECT_EQ(store.sky(0).satellites().size(), 3u);  // channel 11 has no position
}

TEST(SkyView, TrailsGainAPointWhereTheSatelliteMovedAndForgetTheOldest) {
  NavSvInfo info{.num_ch = 1};
  SkyView sky;
  const std::int64_t kMinute = 60'000;
  for (int minute = 0; minute <= 7 * 60; ++minute) {
    info.channels[0] = {
        .svid = 5, .cno = 40, .elevation = 30, .azimuth = static_cast<std::int16_t>(minute / 2)};
    sky.Take(info, kStart + minute * kMinute);
  }
  const auto& trail = sky.trails().at(5);
  EXPECT_EQ(trail.size(), 181u);  // one point per degree over the last six hours
  EXPECT_EQ(trail.front().time_ms, kStart + 60 * kMinute);
}

TEST(TimeTicks, RoundStepsAndLabelsThatTellTheTicksApart) {
  const std::tuple<std::int64_t, std::int64_t, std::string> kCases[] = {
      {kStart - 1, kStart + 30'000,
       "12:00:00|12:00:05|12:00:10|12:00:15|12:00:20|12:00:25|12:00:30"},
      {kStart + 1, kStart + 3'600'000, "12:10|12:20|12:30|12:40|12:50|13:00"},
      {kStart, kStart + 2 * 86'400'000,
       "12-06 12:00|12-07 00:00|12-07 12:00|12-08 00:00|12-08 12:00"},
  };
  for (const auto& [from_ms, to_ms, expected] : kCases) {
    std::string labels;
    for (const TimeTick& tick : TimeTicks(from_ms, to_ms, 8)) labels += '|' + tick.label;
    EXPECT_EQ(labels.substr(1), expected);
  }
}

// In field order: time (2026-12-06T12:00:00.250Z), offset, its accuracy, bias, time accuracy,
// mean C/N0, signal losses, satellites used and seen, flags.
const HistorySample kLocked{1'796'558'400'250,        -312, 3.217f, -487'123, 27, 4175, 3, 8, 11,
                            HistorySample::kPllLocked};
const HistorySample kLost{
    1'796'558'402'750, 0.5f, 500, 0, 4'294'967'295, 0, 0, 0, 0, HistorySample::kGnssSignalLost};

TEST(CsvLog, RowsReadBackAsWrittenAndATornLastLineAndBadLinesAreLeftOut) {
  EXPECT_EQ(CsvRow(kLocked), "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3\n");
  const std::string row = CsvRow(kLost);
  std::stringstream file;
  file << kCsvHeader << "\nnot,a,sample\n" << CsvRow(kLocked) << row << row.substr(0, 20);
  const CsvContents contents = ReadCsv(file);
  EXPECT_EQ(contents.samples, (std::vector<HistorySample>{kLocked, kLost}));
  EXPECT_EQ(contents.skipped, 1u);
}

TEST(CsvLog, RowsWithAFieldOutOfItsTypeOrRangeAreRejected) {
  const char* const kBad[] = {
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0",        // a column short
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3,9",    // one too many
      "2026-02-30T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3",      // no such day
      "2026-12-06 12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3",      // not ISO 8601
      "2026-12-06T12:00:00.250Z,nan,3.217,-487123,27,8,11,41.75,1,0,3",       // offset not a number
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,256,11,41.75,1,0,3",    // used above a byte
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,2,0,3",      // flag not 0 or 1
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,70000",  // count above 16 bits
  };
  for (const char* line : kBad) EXPECT_FALSE(ParseCsvRow(line)) << line;
  EXPECT_TRUE(ParseCsvRow("2026-12-06T12:00:00Z,-312,3.217,-487123,27,8,11,41.75,1,0,3\r"));
}

TEST(DeviationTable, OneTauALineThatReadsBackExactly) {
  // tau, deviation, count, edf (not written), lower, upper
  const DeviationPoint points[] = {{2.5, 1.25e-10, 479, 9, 1.2e-10, 1.3125e-10},
                                   {5, 7e-11, 238, 9, 6.5e-11, 7.7e-11}};
  EXPECT_EQ(DeviationTableCsv(points),
            "tau_s,deviation,lower,upper,count\n"
            "2.5,1.25e-10,1.2e-10,1.3125e-10,479\n"
            "5,7e-11,6.5e-11,7.7e-11,238\n");
}

}  // namespace
}  // namespace orvane
