#pragma once

#include <optional>
#include <string>

#include "protocol/pll_reference.h"

namespace orvane {

// The divider fields the reference frequency is computed from, as numbers; nullopt stands for a
// field that is empty or not a number.
struct ReferenceDividers {
  std::optional<double> n2_hs;
  std::optional<double> gps;
  std::optional<double> n2_ls;
};

// The PLL reference frequency and its correction, in Hz; nullopt when either count is 0 or a
// field is missing or not finite.
struct PllReferenceFrequencies {
  double reference_hz = 0;
  double correction_hz = 0;
};
std::optional<PllReferenceFrequencies> PllReferenceFrequenciesOf(const PllReferenceCounts& counts,
                                                                 const ReferenceDividers& dividers);

// The two-line `Label29` caption: reference frequency and correction in Hz. nullopt (caption
// unchanged) when either count is 0 or a field is missing or not finite.
std::optional<std::string> Label29Caption(const PllReferenceCounts& counts,
                                          const ReferenceDividers& dividers);

}  // namespace orvane
