#include "sim/pll_model.h"

#include <gtest/gtest.h>

#include <array>

#include "sim/clock_device.h"

namespace orvane {
namespace {

DeviceConfiguration Dividers(std::uint32_t gps, std::uint32_t n31, std::uint32_t n2_hs,
                             std::uint32_t n2_ls) {
  DeviceConfiguration config = FactoryConfiguration();
  config.GPS = gps;
  config.N31 = n31;
  config.N2_HS = n2_hs;
  config.N2_LS = n2_ls;
  return config;
}

TEST(PllModel, LocksOnlyInsideThePhaseDetectorAndVcoWindows) {
  EXPECT_TRUE(PllCanLock(FactoryConfiguration()));            // F3 958 kHz, VCO 5.06 GHz
  EXPECT_TRUE(PllCanLock(Dividers(2'000'000, 1, 11, 191)));   // F3 at 2 MHz
  EXPECT_FALSE(PllCanLock(Dividers(2'000'001, 1, 11, 192)));  // F3 above 2 MHz
  EXPECT_FALSE(PllCanLock(Dividers(1'999, 1, 4, 600'000)));   // F3 below 2 kHz
  EXPECT_FALSE(PllCanLock(Dividers(2'875'000, 3, 11, 398)));  // VCO 4.196 GHz
  EXPECT_FALSE(PllCanLock(Dividers(2'875'000, 3, 11, 628)));  // VCO 6.62 GHz
}

TEST(PllModel, CountsShowTheNominalAndTheDriftedReferenceOscillator) {
  const ReferenceCounts counts = MakeReferenceCounts(FactoryConfiguration(), -300.0);
  // What the host shows: P * 2^28 / count.
  const double p = 11.0 * 2'875'000 * 480;
  EXPECT_NEAR(p * 268435456 / counts.nominal, 26e6, 1e-3);
  EXPECT_NEAR(p * 268435456 / counts.drifted, 26e6 * (1 - 300e-9), 1e-3);

  std::array<std::uint8_t, 12> reply;
  reply.fill(0xEE);
  EncodeReferenceReply(counts, reply);
  EXPECT_EQ(reply[0], 0);
  EXPECT_EQ(reply[1], static_cast<std::uint8_t>(counts.nominal >> 32));  // most significant first
  EXPECT_EQ(reply[5], static_cast<std::uint8_t>(counts.nominal));
  EXPECT_EQ(reply[10], static_cast<std::uint8_t>(counts.drifted));
  EXPECT_EQ(reply[11], 0);
}

TEST(PllModel, CountsSaturateAt40BitsAndStayZeroWithoutReference) {
  const ReferenceCounts big = MakeReferenceCounts(Dividers(10'000'000, 1, 11, 1'048'576), -50.0);
  EXPECT_EQ(big.nominal, (std::uint64_t{1} << 40) - 1);
  EXPECT_EQ(big.drifted, (std::uint64_t{1} << 40) - 1);
  const ReferenceCounts none = MakeReferenceCounts(Dividers(0, 3, 4, 480), 0);
  EXPECT_EQ(none.nominal, 0u);
  EXPECT_EQ(none.drifted, 0u);
}

}  // namespace
}  // namespace orvane
