#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "protocol/pll_dividers.h"

namespace orvane {

// The device's stored configuration, as the configuration report (the feature report fetched
// after any command but the reference query) carries it.
struct DeviceConfiguration {
  std::uint8_t output_flags = 0;  // bit 0: output 1 enabled
  std::uint8_t drive_index = 0;   // 0 "8mA" .. 3 "32mA"; the device may hold more
  PllDividers dividers;
  std::int16_t tcxo_correction = 0;  // ppb
  std::uint8_t ConstellationMask = 0;

  bool operator==(const DeviceConfiguration&) const = default;
};

// Bytes the configuration report needs: the last field read is the mask at offset 39.
inline constexpr std::size_t kConfigurationReportLength = 40;

// nullopt when the report is too short to hold every field.
std::optional<DeviceConfiguration> DecodeConfigurationReport(std::span<const std::uint8_t> report);
// Fills the whole buffer (report ID 0, unused bytes 0). False, with nothing written, when the
// buffer is too short.
bool EncodeConfigurationReport(const DeviceConfiguration& config, std::span<std::uint8_t> report);

}  // namespace orvane
