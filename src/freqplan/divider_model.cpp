#include "freqplan/divider_model.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace {

// Both bounds arrive already rounded down. Clamping in double before converting keeps a request
// far outside the planning limits (say an output frequency edited to 0.1 Hz) from overflowing the
// conversion; inside the limits it gives exactly the clamped 32-bit values.
DividerRange ClampedRange(double low, double high) {
  if (std::isnan(low) || std::isnan(high)) return {1, 0};
  return {static_cast<std::int32_t>(std::clamp(low, 1.0, kMaxHalfDivider + 1.0)),
          static_cast<std::int32_t>(std::clamp(high, 0.0, double{kMaxHalfDivider}))};
}

}  // namespace

bool IsF3Excluded(std::int32_t f3) {
  return std::find(F3Exclusions.begin(), F3Exclusions.end(), f3) != F3Exclusions.end();
}

DividerRange OutputDividerRange(double fout, int n) {
  return ClampedRange(std::floor(kLowestHalfVco / fout / n + kRoundingAllowance),
                      std::floor(kHighestHalfVco / fout / n));
}

DividerRange FeedbackDividerRange(double half_vco, int h) {
  return ClampedRange(std::floor(half_vco / kHighestF3 / h + kRoundingAllowance),
                      std::floor(half_vco / kLowestF3 / h));
}

std::optional<std::int32_t> PhaseDetectorF3(double half_vco, int h, std::int32_t m) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double f3 = std::nearbyint(half_vco / h / m);
  if (!(f3 >= INT32_MIN && f3 <= INT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(f3);
}

std::optional<std::int32_t> AdmissibleF3(double half_vco, int h, std::int32_t m) {
  const std::optional<std::int32_t> f3 = PhaseDetectorF3(half_vco, h, m);
  // The exactness test first: it fails for most m and costs less than the exclusion lookup.
  if (!f3 || half_vco != h * (static_cast<double>(m) * *f3)) return std::nullopt;
  if (IsF3Excluded(*f3)) return std::nullopt;
  return f3;
}

}  // namespace orvane
