#include "stability/phase.h"

namespace orvane {

std::vector<double> FrequencyToPhase(std::span<const double> frequency, double tau0) {
  std::vector<double> phase(frequency.size() + 1, 0.0);
  for (std::size_t i = 0; i < frequency.size(); ++i) phase[i + 1] = phase[i] + frequency[i] * tau0;
  return phase;
}

}  // namespace orvane
