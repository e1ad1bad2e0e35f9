#pragma once

#include <cstddef>
#include <span>

namespace orvane {

struct MeanSquare {
  double mean;
  std::size_t count;  // terms averaged
};

// Mean of the squared order-th differences (order 2 for Allan, 3 for Hadamard) of phase at lag m,
// from every start (overlapping) or from every m-th one. Needs m >= 1 and phase.size() > order * m.
MeanSquare MeanSquaredDifference(std::span<const double> phase, std::size_t m, int order,
                                 bool overlapping);

}  // namespace orvane
