#include "stability/tau_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

TEST(AveragingFactors, StopAtTheLargestFactor) {
  const struct {
    TauSpacing spacing;
    std::size_t max_factor;
    std::vector<std::size_t> expected;
  } cases[] = {
      {TauSpacing::kOctave, 0, {}},
      {TauSpacing::kOctave, 127, {1, 2, 4, 8, 16, 32, 64}},
      {TauSpacing::kDecade, 499, {1, 2, 5, 10, 20, 50, 100, 200}},
      {TauSpacing::kDecade, 500, {1, 2, 5, 10, 20, 50, 100, 200, 500}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AveragingFactors(c.spacing, c.max_factor), c.expected) << c.max_factor;
  }
}

}  // namespace
}  // namespace orvane
