#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/sample_ring.h"

namespace orvane {

// Phase of the receiver's oscillator against GNSS time, evenly sampled, for the estimators.
struct StabilityInput {
  std::vector<double> phase;    // seconds
  double tau0 = 0;              // seconds between phase points
  std::size_t drift_steps = 0;  // intervals whose phase step came from the drift, not the bias
};

// A step of the clock bias further than this from what the drift explains is the receiver
// stepping its clock (by whole milliseconds), not the oscillator.
inline constexpr double kBiasStepLimitNs = 100'000;

// The newest run of `clock`'s samples in [from_ms, to_ms) that is evenly spaced and has GNSS
// signal: a run ends where a spacing differs from the median by more than half of it, or at a
// sample without signal, and tau0 is the run's mean spacing. Phase comes from the NAV-CLOCK bias;
// where the bias steps or never moves, each interval takes the mean drift (frequency) of its two
// ends instead.
StabilityInput MakeStabilityInput(const SampleRing& ring, std::uint8_t clock, std::int64_t from_ms,
                                  std::int64_t to_ms);

}  // namespace orvane
