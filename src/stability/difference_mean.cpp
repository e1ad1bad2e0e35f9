#include "stability/difference_mean.h"

namespace orvane {
namespace {

template <int kOrder>
MeanSquare Mean(std::span<const double> x, std::size_t m, std::size_t stride) {
  const std::size_t count = (x.size() - 1 - kOrder * m) / stride + 1;
  double sum = 0.0;
  for (std::size_t i = 0; i < count * stride; i += stride) {
    double d;
    if constexpr (kOrder == 2) {
      d = x[i + 2 * m] - 2.0 * x[i + m] + x[i];
    } else {
      d = x[i + 3 * m] - 3.0 * x[i + 2 * m] + 3.0 * x[i + m] - x[i];
    }
    sum += d * d;
  }
  return {sum / static_cast<double>(count), count};
}

}  // namespace

MeanSquare MeanSquaredDifference(std::span<const double> phase, std::size_t m, int order,
                                 bool overlapping) {
  const std::size_t stride = overlapping ? 1 : m;
  return order == 2 ? Mean<2>(phase, m, stride) : Mean<3>(phase, m, stride);
}

}  // namespace orvane
