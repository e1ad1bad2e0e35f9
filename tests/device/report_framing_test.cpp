#include "device/hid/report_framing.h"

#include <gtest/gtest.h>

#include <array>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FrameInputReport, UnnumberedGetsReportIdZeroInFront) {
  const std::uint8_t received[] = {0x81, 0x02, 0x03};
  EXPECT_EQ(FrameInputReport(received, false), (Bytes{0x00, 0x81, 0x02, 0x03}));
}

TEST(FrameInputReport, NumberedAlreadyStartsWithItsId) {
  const std::uint8_t received[] = {0x02, 0x10, 0x20};
  EXPECT_EQ(FrameInputReport(received, true), (Bytes{0x02, 0x10, 0x20}));
}

TEST(FinishFeatureReply, FullReplyIsKeptAsIs) {
  std::array<std::uint8_t, 4> report = {0, 9, 8, 7};
  EXPECT_TRUE(FinishFeatureReply(4, report));
  EXPECT_EQ(report, (std::array<std::uint8_t, 4>{0, 9, 8, 7}));
}

TEST(FinishFeatureReply, ShortReplyZeroesTheRest) {
  std::array<std::uint8_t, 5> report = {0, 9, 8, 7, 6};
  EXPECT_TRUE(FinishFeatureReply(3, report));
  EXPECT_EQ(report, (std::array<std::uint8_t, 5>{0, 9, 8, 0, 0}));
}

TEST(FinishFeatureReply, FailureOrIdAloneIsNoReplyAndLeavesTheBuffer) {
  for (int result : {-1, 0, 1}) {
    std::array<std::uint8_t, 3> report = {0, 4, 5};
    EXPECT_FALSE(FinishFeatureReply(result, report)) << result;
    EXPECT_EQ(report, (std::array<std::uint8_t, 3>{0, 4, 5})) << result;
  }
}

// hidapi answers "no such string" with success and an empty text; the window must see no string,
// as it does for a failed call, and not an empty manufacturer with release 0.0.
TEST(DeviceString, EmptyOrFailedIsNoString) {
  EXPECT_EQ(DeviceString(0, L"G60031"), std::optional<std::wstring>(L"G60031"));
  EXPECT_EQ(DeviceString(0, L""), std::nullopt);
  EXPECT_EQ(DeviceString(0, nullptr), std::nullopt);
  EXPECT_EQ(DeviceString(-1, L"stale"), std::nullopt);
}

}  // namespace
}  // namespace orvane
