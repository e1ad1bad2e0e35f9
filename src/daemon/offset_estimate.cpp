#include "daemon/offset_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvane {

void OffsetEstimate::Add(double offset) {
  min_ = count_ == 0 ? offset : std::min(min_, offset);
  max_ = count_ == 0 ? offset : std::max(max_, offset);
  ++count_;
  const double delta = offset - mean_;
  mean_ += delta / static_cast<double>(count_);
  squares_ += delta * (offset - mean_);
}

double OffsetEstimate::spread() const {
  return count_ < 2 ? 0 : std::sqrt(squares_ / static_cast<double>(count_ - 1));
}

std::string OffsetEstimateText(std::string_view serial, const OffsetEstimate& estimate) {
  std::string text(serial);
  if (estimate.count() == 0) return text + ": no samples (PLL unlocked or UTC not valid)";
  char figures[200];
  std::snprintf(figures, sizeof figures,
                ": %zu samples, mean offset %+.6f s, spread %.6f s (min %+.6f, max %+.6f); "
                "chrony.conf: offset %.6f",
                estimate.count(), estimate.mean(), estimate.spread(), estimate.min(),
                estimate.max(), -estimate.mean());
  return text + figures;
}

int PrintOffsetEstimates(const std::map<std::string, OffsetEstimate>& estimates,
                         std::ostream& out) {
  for (const auto& [serial, estimate] : estimates)
    out << OffsetEstimateText(serial, estimate) << "\n";
  if (estimates.empty()) out << "no samples: every one was held back (the log says why)\n";
  return estimates.empty() ? 1 : 0;
}

}  // namespace orvane
