#include "freqplan/divider_model.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvane {
namespace {

TEST(DividerRanges, BoundsAndNothingBeyondTheLimits) {
  const struct {
    double fout;
    int n;
    std::int32_t kmin, kmax;
  } cases[] = {
      // 42.999 rounds down to 42, not up: H starts exactly at 2.1 GHz.
      {10000000, 5, 42, 66},
      // At the limits exactly one candidate remains.
      {825000000, 4, 1, 1},
      // Past the cap (1,312,500 and 2,062,500 for 400 Hz) the range is empty.
      {400, 4, 524289, 524288},
      // An edited frequency outside the limits gives nothing and overflows nothing.
      {825000001, 4, 1, 0},
      {0, 11, 524289, 524288},
      {std::numeric_limits<double>::quiet_NaN(), 11, 1, 0},
  };
  for (const auto& c : cases) {
    const DividerRange range = OutputDividerRange(c.fout, c.n);
    EXPECT_EQ(range.min, c.kmin) << c.fout << " n=" << c.n;
    EXPECT_EQ(range.max, c.kmax) << c.fout << " n=" << c.n;
  }
  EXPECT_TRUE(FeedbackDividerRange(1e20, 4).empty());
}

TEST(AdmissibleF3, ExactWholeAndNotExcluded) {
  const struct {
    double half_vco;
    int h;
    std::int32_t m;
    std::optional<std::int32_t> f3;
  } cases[] = {
      {3050000000.0, 10, 160, 1906250},
      {38400.0 * 11 * 5000, 11, 5000, 38400},  // not in the table
      {2000000.0 * 10 * 150, 10, 150, std::nullopt},
      {20000.0 * 10 * 15000, 10, 15000, std::nullopt},
      // 1,900,826.4 rounds to a whole number that misses H.
      {2530000000.0, 11, 121, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdmissibleF3(c.half_vco, c.h, c.m), c.f3) << c.half_vco << " " << c.m;
  }
}

TEST(PhaseDetectorF3, RoundsHalvesToEvenWithinRange) {
  EXPECT_EQ(PhaseDetectorF3(10.0, 4, 1), 2);  // 2.5
  EXPECT_EQ(PhaseDetectorF3(14.0, 4, 1), 4);  // 3.5
  EXPECT_EQ(PhaseDetectorF3(1e12, 4, 1), std::nullopt);
}

}  // namespace
}  // namespace orvane
