#pragma once

#include <cstddef>

#include "stability/statistic.h"

namespace orvane {

// Equivalent degrees of freedom of a statistic over n phase points at averaging factor m, taking
// the noise for white FM. OADEV uses the closed form of Howe, Allan and Barnes. The others count
// only terms whose frequency intervals do not overlap, which white FM makes independent; the terms
// in between only add information, so this undercounts and the interval errs on the wide side.
double EquivalentDegreesOfFreedom(Statistic statistic, std::size_t n, std::size_t m);

struct Interval {
  double lower;
  double upper;
};

// The 1-sigma (68.27 %) chi-squared interval around a deviation with `edf` degrees of freedom.
Interval ConfidenceInterval(double deviation, double edf);

}  // namespace orvane
