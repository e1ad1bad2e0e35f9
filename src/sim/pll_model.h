#pragma once

#include <cstdint>

#include "protocol/pll_dividers.h"
#include "protocol/pll_reference.h"

namespace orvane {

// Whether the PLL can lock on a divider set: the phase-detector frequency GPS / N31 must lie in
// 2 kHz .. 2 MHz and the VCO, F3 * N2_HS * N2_LS, in 4.2 .. 6.6 GHz.
bool PllCanLock(const PllDividers& dividers);

// The PLL's reference oscillator, which the reference query measures.
inline constexpr double kReferenceOscillatorHz = 26e6;

// The two 40-bit counts of the reference query. The host shows P * 2^28 / count for each, with
// P = N2_HS * GPS * N2_LS: the first gives the nominal reference oscillator, the second the
// oscillator as the receiver sees it drift. Counts that do not fit 40 bits saturate.
PllReferenceCounts MakeReferenceCounts(const PllDividers& dividers, double drift_ppb);

}  // namespace orvane
