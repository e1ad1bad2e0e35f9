#include "sim/pll_model.h"

#include <cmath>

namespace orvane {
namespace {

constexpr std::uint64_t kLargestCount = (std::uint64_t{1} << 40) - 1;

// Counts that would not fit 40 bits read as the largest one, as a hardware counter stops there.
std::uint64_t ToCount(double value) {
  if (!(value < static_cast<double>(kLargestCount))) return kLargestCount;
  return value <= 0 ? 0 : static_cast<std::uint64_t>(std::llround(value));
}

}  // namespace

bool PllCanLock(const PllDividers& dividers) {
  if (dividers.n31 == 0) return false;
  const double f3 = static_cast<double>(dividers.gps) / dividers.n31;
  const double vco = f3 * dividers.n2_hs * dividers.n2_ls;
  return f3 >= 2e3 && f3 <= 2e6 && vco >= 4.2e9 && vco <= 6.6e9;
}

PllReferenceCounts MakeReferenceCounts(const PllDividers& dividers, double drift_ppb) {
  if (dividers.gps == 0) return {};  // no reference: nothing is counted
  // P * 2^28 / F, where F is the reference oscillator the host is to see.
  const double scaled =
      std::ldexp(static_cast<double>(dividers.n2_hs) * dividers.gps * dividers.n2_ls, 28);
  return {ToCount(scaled / kReferenceOscillatorHz),
          ToCount(scaled / (kReferenceOscillatorHz * (1.0 + drift_ppb * 1e-9)))};
}

}  // namespace orvane
