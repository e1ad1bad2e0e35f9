#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "stability/statistic.h"

namespace orvane {

struct DeviationPoint {
  double tau;  // m * tau0
  // Fractional frequency for phase in seconds; TDEV is in the unit of the phase.
  double deviation;
  std::size_t count;  // terms averaged
  double edf;         // equivalent degrees of freedom behind the interval
  double lower;       // 68.27 % confidence interval
  double upper;
};

// The statistic of phase data sampled every tau0, at tau = m * tau0 for each m of `factors` in
// their order. Factors of 0 or above MaxAveragingFactor are left out. O(phase.size()) per factor.
std::vector<DeviationPoint> ComputeDeviations(Statistic statistic, std::span<const double> phase,
                                              double tau0, std::span<const std::size_t> factors);

}  // namespace orvane
