#include "history/stability_input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

namespace orvane {

StabilityInput MakeStabilityInput(const SampleRing& ring, std::uint8_t clock, std::int64_t from_ms,
                                  std::int64_t to_ms) {
  std::vector<const HistorySample*> samples;
  for (std::size_t i = ring.LowerBound(from_ms); i < ring.size() && ring[i].time_ms < to_ms; ++i) {
    if (ring[i].clock == clock) samples.push_back(&ring[i]);
  }
  StabilityInput input;
  if (samples.size() < 3) return input;
  std::vector<std::int64_t> spacing;
  spacing.reserve(samples.size() - 1);
  for (std::size_t i = 1; i < samples.size(); ++i)
    spacing.push_back(samples[i]->time_ms - samples[i - 1]->time_ms);
  std::nth_element(spacing.begin(), spacing.begin() + spacing.size() / 2, spacing.end());
  const std::int64_t tau0_ms = spacing[spacing.size() / 2];
  if (tau0_ms <= 0) return input;

  std::size_t first = samples.size() - 1;
  while (first > 0 && !samples[first]->gnss_signal_lost()) {
    const std::int64_t gap = samples[first]->time_ms - samples[first - 1]->time_ms;
    if (std::llabs(gap - tau0_ms) * 2 > tau0_ms || samples[first - 1]->gnss_signal_lost()) break;
    --first;
  }
  if (samples.size() - first < 3) return input;
  const std::span<const HistorySample* const> run(samples.data() + first, samples.size() - first);

  // The host stamps each message with some delay of its own: the mean spacing over the run is
  // nearer the receiver's rate than any single one.
  input.tau0 = static_cast<double>(run.back()->time_ms - run.front()->time_ms) / 1000.0 /
               static_cast<double>(run.size() - 1);
  const bool bias_moves = std::any_of(run.begin(), run.end(), [&](const HistorySample* sample) {
    return sample->clock_bias_ns != run.front()->clock_bias_ns;
  });
  input.phase.reserve(run.size());
  input.phase.push_back(0);
  for (std::size_t i = 1; i < run.size(); ++i) {
    const double drift_ns = 0.5 * (run[i - 1]->offset_ppb + run[i]->offset_ppb) * input.tau0;
    double step_ns = static_cast<double>(run[i]->clock_bias_ns) - run[i - 1]->clock_bias_ns;
    if (!bias_moves || std::abs(step_ns - drift_ns) > kBiasStepLimitNs) {
      step_ns = drift_ns;
      ++input.drift_steps;
    }
    input.phase.push_back(input.phase.back() + step_ns * 1e-9);
  }
  return input;
}

}  // namespace orvane
