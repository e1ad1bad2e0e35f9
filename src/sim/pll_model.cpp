#include "sim/pll_model.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace {

constexpr std::uint64_t kLargestCount = (std::uint64_t{1} << 40) - 1;
constexpr int kCountBytes = 5;

// Counts that would not fit 40 bits read as the largest one, as a hardware counter stops there.
std::uint64_t ToCount(double value) {
  if (!(value < static_cast<double>(kLargestCount))) return kLargestCount;
  return value <= 0 ? 0 : static_cast<std::uint64_t>(std::llround(value));
}

void PutCount(std::uint64_t count, std::size_t offset, std::span<std::uint8_t> reply) {
  for (int i = 0; i < kCountBytes; ++i) {
    const std::size_t at = offset + i;
    if (at < reply.size())
      reply[at] = static_cast<std::uint8_t>(count >> (8 * (kCountBytes - 1 - i)));
  }
}

}  // namespace

bool PllCanLock(const DeviceConfiguration& config) {
  if (config.N31 == 0) return false;
  const double f3 = static_cast<double>(config.GPS) / config.N31;
  const double vco = f3 * config.N2_HS * config.N2_LS;
  return f3 >= 2e3 && f3 <= 2e6 && vco >= 4.2e9 && vco <= 6.6e9;
}

ReferenceCounts MakeReferenceCounts(const DeviceConfiguration& config, double drift_ppb) {
  if (config.GPS == 0) return {};  // no reference: nothing is counted
  // P * 2^28 / F, where F is the reference oscillator the host is to see.
  const double scaled =
      std::ldexp(static_cast<double>(config.N2_HS) * config.GPS * config.N2_LS, 28);
  return {ToCount(scaled / kReferenceOscillatorHz),
          ToCount(scaled / (kReferenceOscillatorHz * (1.0 + drift_ppb * 1e-9)))};
}

void EncodeReferenceReply(const ReferenceCounts& counts, std::span<std::uint8_t> reply) {
  std::fill(reply.begin(), reply.end(), 0);
  PutCount(counts.nominal, 1, reply);
  PutCount(counts.drifted, 1 + kCountBytes, reply);
}

}  // namespace orvane
