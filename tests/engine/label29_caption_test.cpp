#include "engine/label29_caption.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace orvane {
namespace {

TEST(Label29Caption, FromTheDividersAndCountsOrUnchangedWithoutUsableInputs) {
  // P = 8 * 10000000 * 50 = 4e9; F2 = P * 2^28 / count2.
  const ReferenceDividers dividers = {8.9, 10000000.5, 50};
  const std::uint64_t count = 107374182400;  // 4e9 * 2^28 / 10 MHz
  EXPECT_EQ(Label29Caption({count - 1000000, count}, dividers),
            "PLL reference frequency: 10000000.000Hz\r\nPLL correction: -93.133Hz");
  EXPECT_FALSE(Label29Caption({100, 0}, dividers));
  EXPECT_FALSE(Label29Caption({0, 100}, dividers));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ReferenceDividers unusable[] = {
      {std::nullopt, 1, 1}, {1, std::nullopt, 1}, {1, 1, std::nullopt}, {1, nan, 1}};
  for (const auto& d : unusable) EXPECT_FALSE(Label29Caption({100, 100}, d));
}

}  // namespace
}  // namespace orvane
