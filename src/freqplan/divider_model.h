#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace orvane {

// The PLL runs its VCO between 4.2 and 6.6 GHz; planning works with half of it.
inline constexpr double kLowestHalfVco = 2100000000.0;
inline constexpr double kHighestHalfVco = 3300000000.0;
// Highest k = NC1_LS / 2 and m = N2_LS / 2 (2^19).
inline constexpr std::int32_t kMaxHalfDivider = 524288;
// High-speed dividers are tried from the highest down, for N1_HS and N2_HS alike.
inline constexpr int kHighestHsDivider = 11;
inline constexpr int kLowestHsDivider = 4;
// Phase-detector window: the highest F3 bounds m from below, the lowest from above.
inline constexpr double kHighestF3 = 2000000.0;
inline constexpr double kLowestF3 = 20000.0;
// The N2_LS choices offer only phase-detector frequencies above this.
inline constexpr double kF3Threshold = 50000.0;
// Added before rounding down so that a quotient a hair above a whole number keeps that number.
inline constexpr double kRoundingAllowance = 0.999;
inline constexpr double kLowestOutputFrequency =
    kLowestHalfVco / kHighestHsDivider / kMaxHalfDivider;  // 364.1301935369318 Hz
inline constexpr double kHighestOutputFrequency =
    kHighestHalfVco / kLowestHsDivider / 1;  // 825 MHz

// Phase-detector frequencies the PLL must not be run at.
inline constexpr std::array<std::int32_t, 43> F3Exclusions = {
    2000000, 1500000, 1200000, 1000000, 750000, 600000, 500000, 400000, 375000,  300000, 250000,
    240000,  200000,  187500,  150000,  125000, 120000, 100000, 93750,  80000,   75000,  62500,
    60000,   50000,   48000,   46875,   40000,  37500,  32000,  31250,  30000,   25600,  25000,
    24000,   20000,   1600000, 800000,  640000, 480000, 320000, 160000, 1920000, 960000};

bool IsF3Excluded(std::int32_t f3);

// An inclusive range of half-dividers; empty when min > max.
struct DividerRange {
  std::int32_t min;
  std::int32_t max;

  bool empty() const { return min > max; }
};

// The k = NC1_LS / 2 whose half-VCO frequency (fout * n) * k lies in the VCO window, for
// N1_HS = n. Empty for an output frequency outside the planning limits (or not a number).
DividerRange OutputDividerRange(double fout, int n);

// The m = N2_LS / 2 that keep F3 = half_vco / h / m inside the phase-detector window, for
// N2_HS = h.
DividerRange FeedbackDividerRange(double half_vco, int h);

// F3 = (half_vco / h) / m rounded to the nearest whole number, halves to even; nullopt when it
// does not fit a signed 32-bit number.
std::optional<std::int32_t> PhaseDetectorF3(double half_vco, int h, std::int32_t m);

// The F3 of (h, m) when the pair reproduces half_vco exactly with a whole-hertz F3 that is not
// excluded; nullopt otherwise.
std::optional<std::int32_t> AdmissibleF3(double half_vco, int h, std::int32_t m);

}  // namespace orvane
