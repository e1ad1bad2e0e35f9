#include "daemon/offset_estimate.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

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
