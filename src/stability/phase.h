#pragma once

#include <span>
#include <vector>

namespace orvane {

// Phase from fractional-frequency samples y taken every tau0: x[0] = 0 and
// x[i+1] = x[i] + y[i] * tau0, so one point more than y.
std::vector<double> FrequencyToPhase(std::span<const double> frequency, double tau0);

}  // namespace orvane
