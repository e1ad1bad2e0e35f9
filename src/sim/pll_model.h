#pragma once

#include <cstdint>
#include <span>

#include "device/config_report.h"

namespace orvane {

// Whether the PLL can lock on a divider set: the phase-detector frequency GPS / N31 must lie in
// 2 kHz .. 2 MHz and the VCO, F3 * N2_HS * N2_LS, in 4.2 .. 6.6 GHz.
bool PllCanLock(const DeviceConfiguration& config);

// The PLL's reference oscillator, which the reference query measures.
inline constexpr double kReferenceOscillatorHz = 26e6;

// The two 40-bit counts of the reference query. The host shows P * 2^28 / count for each, with
// P = N2_HS * GPS * N2_LS: the first gives the nominal reference oscillator, the second the
// oscillator as the receiver sees it drift. Counts that do not fit 40 bits saturate.
struct ReferenceCounts {
  std::uint64_t nominal = 0;
  std::uint64_t drifted = 0;
};
ReferenceCounts MakeReferenceCounts(const DeviceConfiguration& config, double drift_ppb);

// The reply to the reference query: counts most significant byte first at bytes 1..5 and 6..10,
// every other byte 0. Bytes that do not fit the buffer are left out.
void EncodeReferenceReply(const ReferenceCounts& counts, std::span<std::uint8_t> reply);

}  // namespace orvane
