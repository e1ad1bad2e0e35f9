#pragma once

#include <cstddef>
#include <vector>

namespace orvane {

enum class TauSpacing {
  kOctave,  // 1, 2, 4, 8, ...
  kDecade,  // 1, 2, 5, 10, 20, 50, ...: three evenly spread points per decade on a log axis
};

// Averaging factors m from 1 up to max_factor (MaxAveragingFactor of the statistic), ascending.
std::vector<std::size_t> AveragingFactors(TauSpacing spacing, std::size_t max_factor);

}  // namespace orvane
