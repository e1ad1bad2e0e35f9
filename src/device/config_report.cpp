#include "device/config_report.h"

#include <algorithm>

namespace orvane {
namespace {

constexpr std::size_t kDividersOffset = 3;
constexpr std::size_t kCorrectionOffset = 37;
constexpr std::size_t kMaskOffset = 39;

std::uint32_t ReadLe24(std::span<const std::uint8_t> bytes) {
  return bytes[0] | (bytes[1] << 8) | (std::uint32_t{bytes[2]} << 16);
}

void WriteLe24(std::uint32_t value, std::span<std::uint8_t> bytes) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
  bytes[2] = static_cast<std::uint8_t>(value >> 16);
}

}  // namespace

void DecodeStoredDividers(std::span<const std::uint8_t, kStoredDividersLength> block,
                          DeviceConfiguration& config) {
  config.GPS = ReadLe24(block.subspan(0));
  config.N31 = ReadLe24(block.subspan(3)) + 1;
  config.N2_HS = block[6] + 4u;
  config.N2_LS = ReadLe24(block.subspan(7)) + 1;
  config.N1_HS = block[10] + 4u;
  config.NC1_LS = ReadLe24(block.subspan(11)) + 1;
  config.NC2_LS = ReadLe24(block.subspan(14)) + 1;
  config.BW = block[18];
}

void EncodeStoredDividers(const DeviceConfiguration& config,
                          std::span<std::uint8_t, kStoredDividersLength> block) {
  WriteLe24(config.GPS, block.subspan(0));
  WriteLe24(config.N31 - 1, block.subspan(3));
  block[6] = static_cast<std::uint8_t>(config.N2_HS - 4);
  WriteLe24(config.N2_LS - 1, block.subspan(7));
  block[10] = static_cast<std::uint8_t>(config.N1_HS - 4);
  WriteLe24(config.NC1_LS - 1, block.subspan(11));
  WriteLe24(config.NC2_LS - 1, block.subspan(14));
  block[17] = 0;
  block[18] = config.BW;
}

std::optional<DeviceConfiguration> DecodeConfigurationReport(std::span<const std::uint8_t> report) {
  if (report.size() < kConfigurationReportLength) return std::nullopt;
  DeviceConfiguration config;
  config.output_flags = report[1];
  config.drive_index = report[2];
  DecodeStoredDividers(report.subspan<kDividersOffset, kStoredDividersLength>(), config);
  config.tcxo_correction =
      static_cast<std::int16_t>(report[kCorrectionOffset] | (report[kCorrectionOffset + 1] << 8));
  config.ConstellationMask = report[kMaskOffset];
  return config;
}

bool EncodeConfigurationReport(const DeviceConfiguration& config, std::span<std::uint8_t> report) {
  if (report.size() < kConfigurationReportLength) return false;
  std::fill(report.begin(), report.end(), 0);
  report[1] = config.output_flags;
  report[2] = config.drive_index;
  EncodeStoredDividers(config, report.subspan<kDividersOffset, kStoredDividersLength>());
  const auto correction = static_cast<std::uint16_t>(config.tcxo_correction);
  report[kCorrectionOffset] = static_cast<std::uint8_t>(correction);
  report[kCorrectionOffset + 1] = static_cast<std::uint8_t>(correction >> 8);
  report[kMaskOffset] = config.ConstellationMask;
  return true;
}

}  // namespace orvane
