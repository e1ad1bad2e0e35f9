#include "stability/deviation.h"

#include <cmath>
#include <optional>

#include "stability/confidence.h"
#include "stability/difference_mean.h"
#include "stability/prefix_sums.h"

namespace orvane {

std::vector<DeviationPoint> ComputeDeviations(Statistic statistic, std::span<const double> phase,
                                              double tau0, std::span<const std::size_t> factors) {
  std::optional<PhasePrefixSums> prefix_sums;
  if (statistic == Statistic::kMdev || statistic == Statistic::kTdev) prefix_sums.emplace(phase);
  const std::size_t max_m = MaxAveragingFactor(statistic, phase.size());
  std::vector<DeviationPoint> points;
  for (const std::size_t m : factors) {
    if (m == 0 || m > max_m) continue;
    const double tau = static_cast<double>(m) * tau0;
    const double md = static_cast<double>(m);
    // The mean square each statistic averages, and what turns it into the variance.
    MeanSquare terms{};
    double divisor = 0.0;
    switch (statistic) {
      case Statistic::kAdev:
      case Statistic::kOadev:
        terms = MeanSquaredDifference(phase, m, 2, statistic == Statistic::kOadev);
        divisor = 2.0 * tau * tau;
        break;
      case Statistic::kHdev:
      case Statistic::kOhdev:
        terms = MeanSquaredDifference(phase, m, 3, statistic == Statistic::kOhdev);
        divisor = 6.0 * tau * tau;
        break;
      case Statistic::kMdev:
        terms = prefix_sums->MeanSquaredInnerSum(m);
        divisor = 2.0 * md * md * tau * tau;
        break;
      case Statistic::kTdev:  // tau^2 / 3 times the modified Allan variance
        terms = prefix_sums->MeanSquaredInnerSum(m);
        divisor = 6.0 * md * md;
        break;
    }
    const double deviation = std::sqrt(terms.mean / divisor);
    const double edf = EquivalentDegreesOfFreedom(statistic, phase.size(), m);
    const Interval interval = ConfidenceInterval(deviation, edf);
    points.push_back({tau, deviation, terms.count, edf, interval.lower, interval.upper});
  }
  return points;
}

}  // namespace orvane
