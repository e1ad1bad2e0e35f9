// OADEV + MDEV over every octave tau: the library's O(N)-per-tau estimators (with their
// confidence intervals) against the textbook double sums, which are O(N m) per tau for MDEV.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "stability/deviation.h"
#include "stability/tau_list.h"

namespace orvane {
namespace {

// A day or a week of 1 s phase samples: white FM (a random walk of phase) over white PM, as a
// receiver clock's bias looks, in seconds.
std::vector<double> RandomWalkPhase(std::size_t n) {
  std::mt19937_64 generator(14);
  std::normal_distribution<double> noise;
  std::vector<double> phase(n);
  double walk = 0.0;
  for (double& x : phase) {
    walk += 1e-9 * noise(generator);
    x = walk + 2e-9 * noise(generator);
  }
  return phase;
}

std::vector<std::size_t> Octaves(Statistic statistic, std::size_t n) {
  return AveragingFactors(TauSpacing::kOctave, MaxAveragingFactor(statistic, n));
}

double DirectOadev(const std::vector<double>& x, std::size_t m) {
  double sum = 0.0;
  for (std::size_t i = 0; i + 2 * m < x.size(); ++i) {
    sum += std::pow(x[i + 2 * m] - 2.0 * x[i + m] + x[i], 2);
  }
  const double tau = static_cast<double>(m);
  return std::sqrt(sum / (2.0 * tau * tau * static_cast<double>(x.size() - 2 * m)));
}

double DirectMdev(const std::vector<double>& x, std::size_t m) {
  double outer = 0.0;
  for (std::size_t j = 0; j + 3 * m <= x.size(); ++j) {
    double inner = 0.0;
    for (std::size_t i = j; i < j + m; ++i) inner += x[i + 2 * m] - 2.0 * x[i + m] + x[i];
    outer += inner * inner;
  }
  const double tau = static_cast<double>(m);
  return std::sqrt(outer / (2.0 * std::pow(tau, 4) * static_cast<double>(x.size() - 3 * m + 1)));
}

void BM_OadevMdevAllOctaves(benchmark::State& state) {
  const std::vector<double> phase = RandomWalkPhase(static_cast<std::size_t>(state.range(0)));
  const std::vector<std::size_t> oadev_factors = Octaves(Statistic::kOadev, phase.size());
  const std::vector<std::size_t> mdev_factors = Octaves(Statistic::kMdev, phase.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeDeviations(Statistic::kOadev, phase, 1.0, oadev_factors));
    benchmark::DoNotOptimize(ComputeDeviations(Statistic::kMdev, phase, 1.0, mdev_factors));
  }
  state.counters["taus"] = static_cast<double>(oadev_factors.size() + mdev_factors.size());
}
BENCHMARK(BM_OadevMdevAllOctaves)->Arg(86400)->Arg(604800)->Unit(benchmark::kMillisecond);

// Quadratic in N through MDEV's inner sums, so only a day: a week would take minutes.
// max_relative_difference compares its MDEV with the library's.
void BM_OadevMdevDirect(benchmark::State& state) {
  const std::vector<double> phase = RandomWalkPhase(static_cast<std::size_t>(state.range(0)));
  const std::vector<std::size_t> oadev_factors = Octaves(Statistic::kOadev, phase.size());
  const std::vector<std::size_t> mdev_factors = Octaves(Statistic::kMdev, phase.size());
  std::vector<double> mdev(mdev_factors.size());
  for (auto _ : state) {
    for (const std::size_t m : oadev_factors) benchmark::DoNotOptimize(DirectOadev(phase, m));
    for (std::size_t k = 0; k < mdev_factors.size(); ++k) {
      mdev[k] = DirectMdev(phase, mdev_factors[k]);
    }
    benchmark::DoNotOptimize(mdev.data());
  }
  const std::vector<DeviationPoint> fast =
      ComputeDeviations(Statistic::kMdev, phase, 1.0, mdev_factors);
  double difference = 0.0;
  for (std::size_t k = 0; k < fast.size(); ++k) {
    difference = std::max(difference, std::abs(fast[k].deviation / mdev[k] - 1.0));
  }
  state.counters["max_relative_difference"] = difference;
}
BENCHMARK(BM_OadevMdevDirect)->Arg(86400)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
