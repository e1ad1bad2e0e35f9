#include "stability/tau_list.h"

#include <span>

namespace orvane {
namespace {

constexpr std::size_t kOctaveSteps[] = {1};
constexpr std::size_t kDecadeSteps[] = {1, 2, 5};

}  // namespace

std::vector<std::size_t> AveragingFactors(TauSpacing spacing, std::size_t max_factor) {
  const bool octave = spacing == TauSpacing::kOctave;
  const std::size_t base = octave ? 2 : 10;
  const std::span<const std::size_t> steps = octave ? std::span<const std::size_t>(kOctaveSteps)
                                                    : std::span<const std::size_t>(kDecadeSteps);
  std::vector<std::size_t> factors;
  for (std::size_t scale = 1;; scale *= base) {
    for (const std::size_t step : steps) {
      if (step * scale > max_factor) return factors;
      factors.push_back(step * scale);
    }
  }
}

}  // namespace orvane
