#pragma once

#include <cstddef>

namespace orvane {

// ADEV and HDEV take non-overlapping samples (every m-th phase point); the others use every start.
enum class Statistic { kAdev, kOadev, kMdev, kTdev, kHdev, kOhdev };

// The largest averaging factor m with at least one term over n phase points; 0 when there is none.
std::size_t MaxAveragingFactor(Statistic statistic, std::size_t n);

}  // namespace orvane
