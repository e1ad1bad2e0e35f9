// Feeds arbitrary feature reports to the configuration-report decoder. Every report long enough
// must decode, and encoding what was decoded must decode to the same configuration.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "protocol/config_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto config = orvane::DecodeConfigurationReport(std::span(data, size));
  if (config.has_value() != (size >= orvane::kConfigurationReportLength)) __builtin_trap();
  if (!config) return 0;

  std::vector<std::uint8_t> again(size);
  if (!orvane::EncodeConfigurationReport(*config, again)) __builtin_trap();
  if (orvane::DecodeConfigurationReport(again) != config) __builtin_trap();
  return 0;
}
