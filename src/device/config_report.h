#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// The device's stored configuration as the window shows it: dividers in their user form (the
// report stores N31, N2_LS, NC1_LS, NC2_LS less 1 and N2_HS, N1_HS less 4).
struct DeviceConfiguration {
  std::uint8_t output_flags = 0;  // bit 0: output 1 enabled
  std::uint8_t drive_index = 0;   // 0 "8mA" .. 3 "32mA"; the device may hold more
  std::uint32_t GPS = 0;
  std::uint32_t N31 = 0;
  std::uint32_t N2_HS = 0;
  std::uint32_t N2_LS = 0;
  std::uint32_t N1_HS = 0;
  std::uint32_t NC1_LS = 0;
  std::uint32_t NC2_LS = 0;
  std::uint8_t BW = 0;
  std::int16_t tcxo_correction = 0;  // ppb
  std::uint8_t ConstellationMask = 0;

  bool operator==(const DeviceConfiguration&) const = default;
};

// Bytes the configuration report needs: the last field read is the mask at offset 39.
inline constexpr std::size_t kConfigurationReportLength = 40;
// The divider set in stored form: GPS through BW. It opens the PLL configuration command at
// byte 2 and sits one byte later, at byte 3, in the configuration report.
inline constexpr std::size_t kStoredDividersLength = 19;

// Reads the dividers from a stored-form block; other fields of `config` are left alone.
void DecodeStoredDividers(std::span<const std::uint8_t, kStoredDividersLength> block,
                          DeviceConfiguration& config);
// Writes the dividers of `config` in stored form; the unused byte before BW is 0.
void EncodeStoredDividers(const DeviceConfiguration& config,
                          std::span<std::uint8_t, kStoredDividersLength> block);

// nullopt when the report is too short to hold every field.
std::optional<DeviceConfiguration> DecodeConfigurationReport(std::span<const std::uint8_t> report);
// Fills the whole buffer (report ID 0, unused bytes 0). False, with nothing written, when the
// buffer is too short.
bool EncodeConfigurationReport(const DeviceConfiguration& config, std::span<std::uint8_t> report);

}  // namespace orvane
