#include "stability/confidence.h"

#include <algorithm>
#include <cmath>

#include "stability/chi_squared.h"

namespace orvane {
namespace {

// Each tail of a normal distribution beyond one standard deviation.
constexpr double kTail = 0.15865525393145707;

}  // namespace

double EquivalentDegreesOfFreedom(Statistic statistic, std::size_t n, std::size_t m) {
  const double nd = static_cast<double>(n);
  const double md = static_cast<double>(m);
  if (statistic == Statistic::kOadev) {
    return (3.0 * (nd - 1.0) / (2.0 * md) - 2.0 * (nd - 2.0) / nd) * 4.0 * md * md /
           (4.0 * md * md + 5.0);
  }
  // An Allan term spans 2m sample intervals; modified Allan and Hadamard terms span 3m.
  const std::size_t span = statistic == Statistic::kAdev ? 2 * m : 3 * m;
  return static_cast<double>(std::max<std::size_t>(1, (n - 1) / span));
}

Interval ConfidenceInterval(double deviation, double edf) {
  return {deviation * std::sqrt(edf / ChiSquaredQuantile(1.0 - kTail, edf)),
          deviation * std::sqrt(edf / ChiSquaredQuantile(kTail, edf))};
}

}  // namespace orvane
