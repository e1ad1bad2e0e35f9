#include "sim/pll_model.h"

#include <gtest/gtest.h>

#include "sim/clock_device.h"

namespace orvane {
namespace {

PllDividers Dividers(std::uint32_t gps, std::uint32_t n31, std::uint32_t n2_hs,
                     std::uint32_t n2_ls) {
  return {gps, n31, n2_hs, n2_ls, 11, 46, 46, 15};
}

TEST(PllModel, LocksOnlyInsideThePhaseDetectorAndVcoWindows) {
  EXPECT_TRUE(PllCanLock(Dividers(2'000'000, 1, 11, 191)));   // F3 at 2 MHz
  EXPECT_FALSE(PllCanLock(Dividers(2'000'001, 1, 11, 192)));  // F3 above 2 MHz
  EXPECT_FALSE(PllCanLock(Dividers(1'999, 1, 4, 600'000)));   // F3 below 2 kHz
  EXPECT_FALSE(PllCanLock(Dividers(2'875'000, 3, 11, 398)));  // VCO 4.196 GHz
  EXPECT_FALSE(PllCanLock(Dividers(2'875'000, 3, 11, 628)));  // VCO 6.62 GHz
}

TEST(PllModel, CountsShowTheDriftedOscillatorSaturateAt40BitsAndNeedAReference) {
  const PllReferenceCounts counts = MakeReferenceCounts(FactoryConfiguration().dividers, -300.0);
  // What the host shows: P * 2^28 / count.
  const double p = 11.0 * 2'875'000 * 480;
  EXPECT_NEAR(p * 268435456 / counts.count1, 26e6, 1e-3);
  EXPECT_NEAR(p * 268435456 / counts.count2, 26e6 * (1 - 300e-9), 1e-3);
  const std::uint64_t largest = (std::uint64_t{1} << 40) - 1;
  EXPECT_EQ(MakeReferenceCounts(Dividers(10'000'000, 1, 11, 1'048'576), -50.0),
            (PllReferenceCounts{largest, largest}));
  EXPECT_EQ(MakeReferenceCounts(Dividers(0, 3, 4, 480), 0), PllReferenceCounts{});
}

}  // namespace
}  // namespace orvane
