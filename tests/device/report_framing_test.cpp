#include "device/hid/report_framing.h"

#include <gtest/gtest.h>

#include "device/hid/wide_text.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FrameInputReport, UnnumberedGetsReportIdZeroInFrontNumberedKeepsItsId) {
  EXPECT_EQ(FrameInputReport(Bytes{0x81, 0x02}, false), (Bytes{0x00, 0x81, 0x02}));
  EXPECT_EQ(FrameInputReport(Bytes{0x02, 0x10}, true), (Bytes{0x02, 0x10}));
}

TEST(FinishFeatureReply, ShortReplyZeroesTheRestAndNoReplyLeavesTheBuffer) {
  const struct {
    int result;
    bool replied;
    Bytes after;
  } cases[] = {{4, true, {0, 9, 8, 7}},
               {3, true, {0, 9, 8, 0}},
               {1, false, {0, 9, 8, 7}},
               {0, false, {0, 9, 8, 7}},
               {-1, false, {0, 9, 8, 7}}};
  for (const auto& c : cases) {
    Bytes report = {0, 9, 8, 7};
    EXPECT_EQ(FinishFeatureReply(c.result, report), c.replied) << c.result;
    EXPECT_EQ(report, c.after) << c.result;
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

TEST(LowByteText, TakesLowByteOfEachCodeUnitUpToFirstZeroLowByte) {
  EXPECT_EQ(LowByteText(L"G60031"), "G60031");
  // U+0147 contributes only its low byte 0x47 ('G').
  EXPECT_EQ(LowByteText(std::wstring(L"\u0147") + L"123"), "G123");
  // U+0100 has a zero low byte and ends the text, like a terminator.
  EXPECT_EQ(LowByteText(std::wstring(L"AB\u0100CD")), "AB");
  EXPECT_EQ(LowByteText(L""), "");
}

}  // namespace
}  // namespace orvane
