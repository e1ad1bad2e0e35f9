#include "engine/label29_caption.h"

#include <cmath>

#include "engine/decimal_text.h"

namespace orvane {

namespace {

constexpr double kCountScale = 268435456.0;  // 2^28

bool Usable(const std::optional<double>& field) { return field && std::isfinite(*field); }

}  // namespace

std::optional<PllReferenceFrequencies> PllReferenceFrequenciesOf(
    const PllReferenceCounts& counts, const ReferenceDividers& dividers) {
  // A zero count1 would make the correction a division by zero: keep the last good caption.
  if (counts.count1 == 0 || counts.count2 == 0) return std::nullopt;
  if (!Usable(dividers.n2_hs) || !Usable(dividers.gps) || !Usable(dividers.n2_ls)) {
    return std::nullopt;
  }
  const double product =
      std::floor(*dividers.n2_hs) * std::floor(*dividers.gps) * std::floor(*dividers.n2_ls);
  const double f2 = product * kCountScale / static_cast<double>(counts.count2);
  const double f1 = product * kCountScale / static_cast<double>(counts.count1);
  if (!std::isfinite(f2) || !std::isfinite(f1)) return std::nullopt;
  return PllReferenceFrequencies{f2, f2 - f1};
}

std::optional<std::string> Label29Caption(const PllReferenceCounts& counts,
                                          const ReferenceDividers& dividers) {
  const std::optional<PllReferenceFrequencies> frequencies =
      PllReferenceFrequenciesOf(counts, dividers);
  if (!frequencies) return std::nullopt;
  return "PLL reference frequency: " + FormatThreeDecimals(frequencies->reference_hz) +
         "Hz\r\nPLL correction: " + FormatThreeDecimals(frequencies->correction_hz) + "Hz";
}

}  // namespace orvane
