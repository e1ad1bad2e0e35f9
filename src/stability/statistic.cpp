#include "stability/statistic.h"

namespace orvane {

std::size_t MaxAveragingFactor(Statistic statistic, std::size_t n) {
  switch (statistic) {
    case Statistic::kAdev:
    case Statistic::kOadev:
      return n < 1 ? 0 : (n - 1) / 2;  // x[i], x[i+m], x[i+2m]
    case Statistic::kMdev:
    case Statistic::kTdev:
      return n / 3;  // x[j] to x[j+3m-1]
    case Statistic::kHdev:
    case Statistic::kOhdev:
      return n < 1 ? 0 : (n - 1) / 3;  // x[i] to x[i+3m]
  }
  return 0;
}

}  // namespace orvane
