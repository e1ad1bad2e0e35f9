#include "sim/ubx_writer.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(UbxWriter, FramesCfgMsgWithKnownChecksum) {
  // CFG-MSG enabling NAV-SVINFO at rate 10 on port 0; checksum worked out by hand.
  const std::uint8_t payload[] = {0x01, 0x30, 0x0A, 0, 0, 0, 0, 0};
  const std::vector<std::uint8_t> expected = {0xB5, 0x62, 0x06, 0x01, 0x08, 0x00, 0x01, 0x30,
                                              0x0A, 0,    0,    0,    0,    0,    0x4A, 0x37};
  EXPECT_EQ(BuildUbxFrame(0x06, 0x01, payload), expected);
}

TEST(UbxWriter, EmptyPayloadStillCarriesLengthAndChecksum) {
  const std::vector<std::uint8_t> expected = {0xB5, 0x62, 0x0A, 0x04, 0x00, 0x00, 0x0E, 0x34};
  EXPECT_EQ(BuildUbxFrame(0x0A, 0x04, {}), expected);
}

}  // namespace
}  // namespace orvane
