// The HID layer's own parts: report descriptors, report framing, device strings and the input
// report queue.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "device/hid/input_report_queue.h"
#include "device/hid/report_descriptor.h"
#include "device/hid/report_framing.h"
#include "device/hid/wide_text.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// Vendor-defined device with 63-byte input, output and feature reports and no report ID: the
// clock's own shape. Usage Page 0xFF00, Usage, Collection (Application), Logical Minimum 0 and
// Maximum 255, Report Size 8, Report Count 63, then Usage and Input, Output and Feature, End.
const std::vector<std::uint8_t> kVendor63 = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95,
    0x3F, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0x09, 0x01, 0xB1, 0x02, 0xC0};

// Push saves size, count and report ID; Pop brings them back. ID 3, size 8, count 2, Feature
// (report 3: 16 bits); Push; ID 4, size 16, count 4, Feature (report 4: 64 bits); Pop; Feature
// (report 3: 16 more bits); Input (report 3: 16 bits, as Pop restored ID 3).
const std::vector<std::uint8_t> kPushPop = {0x85, 0x03, 0x75, 0x08, 0x95, 0x02, 0xB1, 0x02,
                                            0xA4, 0x85, 0x04, 0x75, 0x10, 0x95, 0x04, 0xB1,
                                            0x02, 0xB4, 0xB1, 0x02, 0x81, 0x02};

// Long items are skipped whole; a 4-byte Report Count is read little-endian: a long item whose
// data looks like an Input item, Report Size 8, Report Count (4 bytes) 63, Input.
const std::vector<std::uint8_t> kLongItemAndWideCount = {
    0xFE, 0x03, 0x10, 0x81, 0x02, 0x81, 0x75, 0x08, 0x97, 0x3F, 0x00, 0x00, 0x00, 0x81, 0x02};

// Pop without Push, Report Size and Count 2^32 - 1 and three Inputs that would overflow any sum,
// then a numbered 2-byte feature report.
const std::vector<std::uint8_t> kHuge = {0xB4, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02, 0x85,
                                         0x01, 0x75, 0x08, 0x95, 0x01, 0xB1, 0x02};

TEST(ReportDescriptor, GivesTheLengthsWindowsReports) {
  const struct {
    const char* name;
    const std::vector<std::uint8_t>& descriptor;
    ReportLengths expected;
  } cases[] = {
      {"vendor 63", kVendor63, {64, 64, 64, false}},
      {"push and pop", kPushPop, {3, 0, 9, true}},
      {"long item and wide count", kLongItemAndWideCount, {64, 0, 0, false}},
      {"huge", kHuge, {0xFFFF, 0, 2, true}},  // capped at the largest length Windows can state
  };
  for (const auto& c : cases) {
    const ReportLengths lengths = ParseReportDescriptor(c.descriptor);
    EXPECT_EQ(
        std::tie(lengths.input, lengths.output, lengths.feature, lengths.numbered),
        std::tie(c.expected.input, c.expected.output, c.expected.feature, c.expected.numbered))
        << c.name;
  }
}

// An unnumbered input report gets report ID 0 in front, a numbered one keeps its ID; a short
// feature reply zeroes the rest of the buffer, no reply leaves it.
TEST(ReportFraming, InputReportsGetAnIdAndFeatureRepliesTheirLength) {
  EXPECT_EQ(FrameInputReport(Bytes{0x81, 0x02}, false), (Bytes{0x00, 0x81, 0x02}));
  EXPECT_EQ(FrameInputReport(Bytes{0x02, 0x10}, true), (Bytes{0x02, 0x10}));
  const struct {
    int result;
    bool replied;
    Bytes after;
  } cases[] = {{4, true, {0, 9, 8, 7}}, {3, true, {0, 9, 8, 0}}, {-1, false, {0, 9, 8, 7}}};
  for (const auto& c : cases) {
    Bytes report = {0, 9, 8, 7};
    EXPECT_EQ(FinishFeatureReply(c.result, report), c.replied) << c.result;
    EXPECT_EQ(report, c.after) << c.result;
  }
}

// hidapi answers "no such string" with success and an empty text; the window must see no string,
// as it does for a failed call, and not an empty manufacturer with release 0.0. Its text is read
// as the low byte of each code unit up to the first zero low byte.
TEST(DeviceString, EmptyOrFailedIsNoStringAndTheTextIsEachCodeUnitsLowByte) {
  EXPECT_EQ(DeviceString(0, L"G60031"), std::optional<std::wstring>(L"G60031"));
  EXPECT_EQ(DeviceString(0, L""), std::nullopt);
  EXPECT_EQ(DeviceString(0, nullptr), std::nullopt);
  EXPECT_EQ(DeviceString(-1, L"stale"), std::nullopt);
  EXPECT_EQ(LowByteText(L"G60031"), "G60031");
  // U+0147 contributes only its low byte 0x47 ('G').
  EXPECT_EQ(LowByteText(std::wstring(L"\u0147") + L"123"), "G123");
  // U+0100 has a zero low byte and ends the text, like a terminator.
  EXPECT_EQ(LowByteText(std::wstring(L"AB\u0100CD")), "AB");
  EXPECT_EQ(LowByteText(L""), "");
}

// Long enough never to expire on a loaded machine; the waits end as soon as data arrives.
constexpr milliseconds kGenerousWait(30000);

TEST(InputReportQueue, FullDropsTheNewestLongReportsAreCutAndAFailureFollowsTheQueued) {
  InputReportQueue queue(2);
  std::array<std::uint8_t, 3> buffer{};
  EXPECT_EQ(queue.Pop(buffer, milliseconds(1)), 0);
  const ReceiveTime when = {std::chrono::system_clock::time_point(std::chrono::seconds(7)),
                            std::chrono::nanoseconds(5)};
  EXPECT_TRUE(queue.Push({0, 1, 2, 3}, when));
  EXPECT_TRUE(queue.Push({0, 2}, {}));
  EXPECT_FALSE(queue.Push({0, 3}, {}));
  EXPECT_EQ(queue.overflow_count(), 1u);
  queue.MarkFailed();
  ReceiveTime received;
  ASSERT_EQ(queue.Pop(buffer, milliseconds(0), &received), 3);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 3>{0, 1, 2}));
  EXPECT_EQ(received, when);
  ASSERT_EQ(queue.Pop(buffer, milliseconds(0)), 2);
  EXPECT_EQ(buffer[1], 2);
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), -1);
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), -1);
}

TEST(InputReportQueue, ReportsFromAnotherThreadArriveInOrderAndAFailureWakesTheReader) {
  constexpr int kCount = 1000;
  InputReportQueue queue(kCount);
  std::thread reader([&queue] {
    for (int i = 0; i < kCount; ++i) {
      queue.Push({0, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)}, {});
    }
  });
  std::array<std::uint8_t, 3> buffer{};
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(queue.Pop(buffer, kGenerousWait), 3);
    ASSERT_EQ(buffer[1] | (buffer[2] << 8), i);
  }
  reader.join();
  EXPECT_EQ(queue.overflow_count(), 0u);
  std::thread failing([&queue] { queue.MarkFailed(); });
  EXPECT_EQ(queue.Pop(buffer, kGenerousWait), -1);
  failing.join();
}

TEST(ValidUtf8, KeepsValidSequencesAndTakesOtherBytesForTheirCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"G60031", "G60031"},
      {"Horloge \xE9", "Horloge \xC3\xA9"},  // a device's low byte 0xE9
      {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x95\x90", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x95\x90"},  // kept
      {"\xC3", "\xC3\x83"},                          // cut short
      {"\xC0\x80", "\xC3\x80\xC2\x80"},              // overlong
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate
      {"\xF5", "\xC3\xB5"},                          // beyond U+10FFFF
  };
  for (const auto& [text, utf8] : cases) EXPECT_EQ(ValidUtf8(text), utf8) << text;
}

}  // namespace
}  // namespace orvane
