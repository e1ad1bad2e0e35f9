#include "stability/phase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

using ::testing::ElementsAre;

TEST(FrequencyToPhase, SumsFromZeroTimesTau0) {
  const std::vector<double> frequency = {892, 809, 823, 798};
  EXPECT_THAT(FrequencyToPhase(frequency, 1.0), ElementsAre(0, 892, 1701, 2524, 3322));
  EXPECT_THAT(FrequencyToPhase(frequency, 0.5), ElementsAre(0, 446, 850.5, 1262, 1661));
  EXPECT_THAT(FrequencyToPhase({}, 1.0), ElementsAre(0));
}

}  // namespace
}  // namespace orvane
