#include "protocol/config_report.h"

#include <algorithm>

#include "protocol/byte_order.h"

namespace orvane {
namespace {

constexpr std::size_t kDividersOffset = 3;
constexpr std::size_t kCorrectionOffset = 37;
constexpr std::size_t kMaskOffset = 39;

}  // namespace

std::optional<DeviceConfiguration> DecodeConfigurationReport(std::span<const std::uint8_t> report) {
  if (report.size() < kConfigurationReportLength) return std::nullopt;
  return DeviceConfiguration{
      .output_flags = report[1],
      .drive_index = report[2],
      .dividers = DecodeStoredDividers(report.subspan<kDividersOffset, kStoredDividersLength>()),
      .tcxo_correction = ReadI16(report, kCorrectionOffset),
      .ConstellationMask = report[kMaskOffset]};
}

bool EncodeConfigurationReport(const DeviceConfiguration& config, std::span<std::uint8_t> report) {
  if (report.size() < kConfigurationReportLength) return false;
  std::fill(report.begin(), report.end(), 0);
  report[1] = config.output_flags;
  report[2] = config.drive_index;
  EncodeStoredDividers(config.dividers, report.subspan<kDividersOffset, kStoredDividersLength>());
  WriteInt(report, kCorrectionOffset, config.tcxo_correction);
  report[kMaskOffset] = config.ConstellationMask;
  return true;
}

}  // namespace orvane
