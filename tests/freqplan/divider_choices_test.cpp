#include "freqplan/divider_choices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using testing::ElementsAre;

// The chained lists for 10 MHz are checked through the window; this edge it cannot tell apart
// from an empty N2_HS list.
TEST(DividerChoices, HsOfferedAlthoughEveryF3IsBelowTheThreshold) {
  // H / 4 is the product of the primes 24,989 and 25,013: only those two F3 values exist, both
  // admissible, both far below 50 kHz.
  const double half_vco = 4.0 * 24989 * 25013;
  EXPECT_THAT(FeedbackHsChoices(half_vco), ElementsAre(4));
  EXPECT_TRUE(FeedbackLsChoices(half_vco, 4).empty());
}

}  // namespace
}  // namespace orvane
