// Allan-family deviations against the published NBS14 values, with the averaging factors they
// are computed at and the chi-squared quantiles of their intervals.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "stability/chi_squared.h"
#include "stability/deviation.h"
#include "stability/phase.h"
#include "stability/tau_list.h"

namespace orvane {
namespace {

TEST(ChiSquaredQuantile, MatchesTables) {
  const struct {
    double p, dof, expected;
  } cases[] = {
      {0.05, 1, 0.003932140}, {0.5, 2, 1.386294},    {0.95, 10, 18.30704},
      {0.025, 30, 16.79077},  {0.99, 100, 135.8067},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(ChiSquaredQuantile(c.p, c.dof) / c.expected, 1.0, 1e-6) << c.p << " " << c.dof;
  }
}

TEST(AveragingFactors, StopAtTheLargestFactor) {
  const struct {
    TauSpacing spacing;
    std::size_t max_factor;
    std::vector<std::size_t> expected;
  } cases[] = {
      {TauSpacing::kOctave, 0, {}},
      {TauSpacing::kOctave, 127, {1, 2, 4, 8, 16, 32, 64}},
      {TauSpacing::kDecade, 500, {1, 2, 5, 10, 20, 50, 100, 200, 500}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AveragingFactors(c.spacing, c.max_factor), c.expected) << c.max_factor;
  }
}

// NBS14 reference data: nine frequency values, and the 1000-value generated set.
constexpr double kNbs14Frequency[] = {892, 809, 823, 798, 671, 644, 883, 903, 677};

std::vector<double> Nbs14ThousandPhase() {
  std::vector<double> frequency;
  for (std::uint64_t n = 1234567890; frequency.size() < 1000; n = 16807 * n % 2147483647) {
    frequency.push_back(static_cast<double>(n) / 2147483647.0);
  }
  return FrequencyToPhase(frequency, 1.0);
}

void ExpectDeviations(Statistic statistic, const std::vector<double>& phase,
                      std::span<const std::size_t> factors, std::span<const double> expected) {
  const std::vector<DeviationPoint> points = ComputeDeviations(statistic, phase, 1.0, factors);
  ASSERT_EQ(points.size(), expected.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_NEAR(points[i].deviation / expected[i], 1.0, 1e-6)
        << static_cast<int>(statistic) << " N=" << phase.size() << " tau=" << points[i].tau;
  }
}

TEST(ComputeDeviations, MatchNbs14FromFrequencyData) {
  const std::vector<double> ten = FrequencyToPhase(kNbs14Frequency, 1.0);
  ASSERT_EQ(ten, (std::vector<double>{0, 892, 1701, 2524, 3322, 3993, 4637, 5520, 6423, 7100}));
  EXPECT_EQ(FrequencyToPhase(kNbs14Frequency, 0.5)[2], 850.5);  // tau0 scales the sums
  const std::vector<double> thousand = Nbs14ThousandPhase();
  const std::size_t ten_factors[] = {1, 2};
  const std::size_t thousand_factors[] = {1, 10, 100};
  using enum Statistic;
  const struct {
    Statistic statistic;
    double ten[2];
    double thousand[3];
  } cases[] = {
      {kAdev, {91.22945, 115.8082}, {2.922319e-01, 9.965736e-02, 3.897804e-02}},
      {kOadev, {91.22945, 85.95287}, {2.922319e-01, 9.159953e-02, 3.241343e-02}},
      {kMdev, {91.22945, 74.78849}, {2.922319e-01, 6.172376e-02, 2.170921e-02}},
      {kTdev, {52.67135, 86.35831}, {1.687202e-01, 3.563623e-01, 1.253382e+00}},
      {kHdev, {70.80608, 116.7980}, {2.943883e-01, 1.052754e-01, 3.910860e-02}},
      {kOhdev, {70.80607, 85.61487}, {2.943883e-01, 9.581083e-02, 3.237638e-02}},
  };
  for (const auto& c : cases) {
    ExpectDeviations(c.statistic, ten, ten_factors, c.ten);
    ExpectDeviations(c.statistic, thousand, thousand_factors, c.thousand);
  }
}

TEST(ComputeDeviations, LeaveOutFactorsWithoutTerms) {
  const std::vector<double> ten = FrequencyToPhase(kNbs14Frequency, 1.0);
  const std::size_t factors[] = {0, 4, 5};  // ten points give OADEV two terms at m = 4
  const std::vector<DeviationPoint> oadev = ComputeDeviations(Statistic::kOadev, ten, 1.0, factors);
  ASSERT_EQ(oadev.size(), 1u);
  EXPECT_EQ(oadev[0].count, 2u);
  EXPECT_TRUE(ComputeDeviations(Statistic::kOhdev, ten, 1.0, factors).empty());
}

TEST(ComputeDeviations, IntervalBracketsAndNarrowsWithMoreData) {
  const std::vector<double> thousand = Nbs14ThousandPhase();
  const std::vector<double> hundred(thousand.begin(), thousand.begin() + 101);
  const std::size_t factors[] = {10};
  for (const Statistic statistic : {Statistic::kAdev, Statistic::kOadev, Statistic::kMdev,
                                    Statistic::kTdev, Statistic::kHdev, Statistic::kOhdev}) {
    double previous_width = 0.0;
    for (const auto* phase : {&thousand, &hundred}) {
      const DeviationPoint p = ComputeDeviations(statistic, *phase, 1.0, factors).at(0);
      EXPECT_LT(p.lower, p.deviation);
      EXPECT_GT(p.upper, p.deviation);
      EXPECT_GT((p.upper - p.lower) / p.deviation, previous_width);
      previous_width = (p.upper - p.lower) / p.deviation;
    }
  }
}

}  // namespace
}  // namespace orvane
