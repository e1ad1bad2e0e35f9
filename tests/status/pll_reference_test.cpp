#include "status/pll_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace orvane {
namespace {

TEST(PllReferenceTest, CountsAreFortyBitsMostSignificantFirst) {
  const std::vector<std::uint8_t> reply = {0,    0xFF, 0x01, 0x02, 0x03, 0x04,
                                           0x00, 0x00, 0x00, 0x10, 0x00, 0xEE};
  EXPECT_EQ(DecodePllReferenceReply(reply), (PllReferenceCounts{0xFF01020304, 0x1000}));
  EXPECT_FALSE(DecodePllReferenceReply(std::span(reply).first(10)));
}

TEST(PllReferenceTest, Label29FromTheDividersAndCounts) {
  // P = 8 * 10000000 * 50 = 4e9; F2 = P * 2^28 / count2.
  const ReferenceDividers dividers = {8.9, 10000000.5, 50};
  const std::uint64_t count = 107374182400;  // 4e9 * 2^28 / 10 MHz
  EXPECT_EQ(Label29Caption({count, count}, dividers),
            "PLL reference frequency: 10000000.000Hz\r\nPLL correction: 0.000Hz");
  EXPECT_EQ(Label29Caption({count + 1000, count}, dividers),
            "PLL reference frequency: 10000000.000Hz\r\nPLL correction: 0.093Hz");
  EXPECT_EQ(Label29Caption({count - 1000000, count}, dividers),
            "PLL reference frequency: 10000000.000Hz\r\nPLL correction: -93.133Hz");
}

TEST(PllReferenceTest, Label29UnchangedWithoutUsableInputs) {
  const ReferenceDividers dividers = {8, 10000000, 50};
  EXPECT_FALSE(Label29Caption({100, 0}, dividers));
  EXPECT_FALSE(Label29Caption({0, 100}, dividers));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ReferenceDividers unusable[] = {
      {std::nullopt, 1, 1}, {1, std::nullopt, 1}, {1, 1, std::nullopt}, {1, nan, 1}};
  for (const auto& d : unusable) EXPECT_FALSE(Label29Caption({100, 100}, d));
}

}  // namespace
}  // namespace orvane
