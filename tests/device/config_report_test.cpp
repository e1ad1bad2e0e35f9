#include "device/config_report.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace orvane {
namespace {

// A readback as the device sends it: output on, "24mA", the default divider set, BW 3,
// correction -100 ppb, GPS and Glonass.
std::array<std::uint8_t, 64> ExampleReport() {
  std::array<std::uint8_t, 64> report{};
  const std::uint8_t head[] = {0x00, 0x01, 0x02, 0x78, 0xDE, 0x2B, 0x02, 0x00, 0x00, 0x07, 0xDF,
                               0x01, 0x00, 0x07, 0x2D, 0x00, 0x00, 0x2D, 0x00, 0x00, 0x00, 0x03};
  std::copy(std::begin(head), std::end(head), report.begin());
  report[37] = 0x9C;
  report[38] = 0xFF;
  report[39] = 0x41;
  return report;
}

TEST(ConfigReport, DecodesEveryFieldAndEncodesTheSameBytes) {
  // Flags, drive, GPS, N31, N2_HS, N2_LS, N1_HS, NC1_LS, NC2_LS, BW, correction, mask.
  const DeviceConfiguration expected = {1, 2, 2875000, 3, 11, 480, 11, 46, 46, 3, -100, 0x41};
  EXPECT_EQ(DecodeConfigurationReport(ExampleReport()), expected);

  std::array<std::uint8_t, 64> encoded;
  encoded.fill(0xEE);  // every byte the encoder does not set must come out 0
  ASSERT_TRUE(EncodeConfigurationReport(expected, encoded));
  EXPECT_EQ(encoded, ExampleReport());
}

TEST(ConfigReport, WidestStoredFormsRoundTrip) {
  DeviceConfiguration config;
  config.GPS = 0xFFFFFF;
  config.N31 = 0x1000000;  // stored 0xFFFFFF
  config.N2_HS = 4 + 255;
  config.N2_LS = 2;
  config.N1_HS = 4;
  config.NC1_LS = 1048576;
  config.NC2_LS = 1;  // stored 0
  config.tcxo_correction = -32768;
  std::array<std::uint8_t, 40> report;
  ASSERT_TRUE(EncodeConfigurationReport(config, report));
  EXPECT_EQ(report[6], 0xFF);
  EXPECT_EQ(report[8], 0xFF);
  EXPECT_EQ(report[9], 0xFF);
  EXPECT_EQ(DecodeConfigurationReport(report), config);
}

TEST(ConfigReport, ShortBuffersAreRefusedWithoutTouchingThem) {
  const auto full = ExampleReport();
  const std::vector<std::uint8_t> short_report(full.begin(), full.begin() + 39);
  EXPECT_EQ(DecodeConfigurationReport(short_report), std::nullopt);
  EXPECT_EQ(DecodeConfigurationReport({}), std::nullopt);

  std::vector<std::uint8_t> out(39, 0xEE);
  EXPECT_FALSE(EncodeConfigurationReport(DeviceConfiguration{}, out));
  EXPECT_EQ(out, std::vector<std::uint8_t>(39, 0xEE));
}

}  // namespace
}  // namespace orvane
