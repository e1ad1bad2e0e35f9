#include "service/log_throttle.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using std::chrono::seconds;

TEST(LogThrottle, LetsAFewLinesThroughAPeriodAndSummarisesTheRestOnce) {
  LogThrottle throttle;
  int written = 0;
  for (int i = 0; i < 1000; ++i) written += throttle.Allow(seconds(1)) ? 1 : 0;
  EXPECT_EQ(written, LogThrottle::kLinesPerPeriod);
  EXPECT_EQ(throttle.summary_due(), seconds(1) + LogThrottle::kPeriod);
  EXPECT_EQ(throttle.Summary(seconds(60), "clients"), std::nullopt);
  EXPECT_EQ(throttle.Summary(seconds(61), "clients"), "995 more clients in the last minute");
  EXPECT_EQ(throttle.Summary(seconds(200), "clients"), std::nullopt);
  EXPECT_EQ(throttle.summary_due(), std::nullopt);
  // The next period lets lines through again.
  EXPECT_TRUE(throttle.Allow(seconds(62)));
}

}  // namespace
}  // namespace orvane
