#include "stability/prefix_sums.h"

namespace orvane {

PhasePrefixSums::PhasePrefixSums(std::span<const double> phase) : sums_(phase.size() + 1, 0.0) {
  const double slope = phase.size() < 2
                           ? 0.0
                           : (phase.back() - phase.front()) / static_cast<double>(phase.size() - 1);
  for (std::size_t k = 0; k < phase.size(); ++k) {
    sums_[k + 1] = sums_[k] + (phase[k] - phase.front() - slope * static_cast<double>(k));
  }
}

MeanSquare PhasePrefixSums::MeanSquaredInnerSum(std::size_t m) const {
  const std::size_t count = sums_.size() - 3 * m;  // (size - 1) - 3m + 1 starts
  const double* s = sums_.data();
  double sum = 0.0;
  for (std::size_t j = 0; j < count; ++j) {
    const double inner = s[j + 3 * m] - 3.0 * s[j + 2 * m] + 3.0 * s[j + m] - s[j];
    sum += inner * inner;
  }
  return {sum / static_cast<double>(count), count};
}

}  // namespace orvane
