#include "stability/chi_squared.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(ChiSquaredQuantile, MatchesTables) {
  const struct {
    double p, dof, expected;
  } cases[] = {
      {0.05, 1, 0.003932140}, {0.95, 1, 3.841459},   {0.5, 2, 1.386294},
      {0.05, 10, 3.940299},   {0.95, 10, 18.30704},  {0.025, 30, 16.79077},
      {0.975, 30, 46.97924},  {0.01, 100, 70.06489}, {0.99, 100, 135.8067},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(ChiSquaredQuantile(c.p, c.dof) / c.expected, 1.0, 1e-6) << c.p << " " << c.dof;
  }
}

}  // namespace
}  // namespace orvane
