#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "stability/difference_mean.h"

namespace orvane {

// Prefix sums of phase data, so that each modified-Allan term (a sum of m second differences)
// costs the same whatever m.
class PhasePrefixSums {
 public:
  explicit PhasePrefixSums(std::span<const double> phase);

  // Mean over every start j of (sum over i = j .. j+m-1 of x[i+2m] - 2 x[i+m] + x[i])^2. Needs
  // m >= 1 and 3m <= phase.size().
  MeanSquare MeanSquaredInnerSum(std::size_t m) const;

 private:
  // sums_[k] is the sum of the first k points less the line through the first and last: second
  // differences ignore a line, and without its quadratic growth the sums keep their precision.
  std::vector<double> sums_;
};

}  // namespace orvane
