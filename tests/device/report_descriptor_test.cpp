#include "device/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

// Boot keyboard of the HID class definition: 8 modifier bits, a reserved byte and 6 key codes in;
// 5 LED bits and 3 padding bits out.
const std::vector<std::uint8_t> kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// Boot mouse of the HID class definition: 3 buttons, 5 padding bits, X and Y.
const std::vector<std::uint8_t> kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
    0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

// Vendor-defined device with 63-byte input, output and feature reports and no report ID: the
// clock's own shape.
const std::vector<std::uint8_t> kVendor63 = {
    0x06, 0x00, 0xFF,        // Usage Page (vendor 0xFF00)
    0x09, 0x01,              // Usage
    0xA1, 0x01,              // Collection (Application)
    0x15, 0x00, 0x26, 0xFF,  // Logical Minimum 0, Logical Maximum 255
    0x00, 0x75, 0x08,        // Report Size 8
    0x95, 0x3F,              // Report Count 63
    0x09, 0x01, 0x81, 0x02,  // Input
    0x09, 0x01, 0x91, 0x02,  // Output
    0x09, 0x01, 0xB1, 0x02,  // Feature
    0xC0};

// Keyboard (report 1) beside a consumer control (report 2).
const std::vector<std::uint8_t> kKeyboardAndConsumer = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x01, 0x95, 0x08, 0x05, 0x07, 0x19,
    0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x03,
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81,
    0x00, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x03,
    0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};

// Push saves size, count and report ID; Pop brings them back. Report 3 gets 2 x 8 + 2 x 8 bits
// of feature, report 4 gets 4 x 16 bits; report 3's input is 16 bits (Pop restored ID 3).
const std::vector<std::uint8_t> kPushPop = {
    0x85, 0x03, 0x75, 0x08, 0x95, 0x02,  // ID 3, size 8, count 2
    0xB1, 0x02,                          // Feature: report 3, 16 bits
    0xA4,                                // Push
    0x85, 0x04, 0x75, 0x10, 0x95, 0x04,  // ID 4, size 16, count 4
    0xB1, 0x02,                          // Feature: report 4, 64 bits
    0xB4,                                // Pop
    0xB1, 0x02,                          // Feature: report 3, 16 more bits
    0x81, 0x02};                         // Input: report 3, 16 bits

// Long items are skipped whole; a 4-byte Report Count is read little-endian.
const std::vector<std::uint8_t> kLongItemAndWideCount = {
    0xFE, 0x03, 0x10, 0x81, 0x02, 0x81,  // long item whose data looks like an Input item
    0x75, 0x08, 0x97, 0x3F, 0x00, 0x00,  // Report Size 8, Report Count (4 bytes) 63
    0x00, 0x81, 0x02};                   // Input

struct DescriptorCase {
  const char* name;
  const std::vector<std::uint8_t>& descriptor;
  ReportLengths expected;
};

class KnownDescriptors : public testing::TestWithParam<DescriptorCase> {};

TEST_P(KnownDescriptors, GiveTheLengthsWindowsReports) {
  const ReportLengths lengths = ParseReportDescriptor(GetParam().descriptor);
  EXPECT_EQ(lengths.input, GetParam().expected.input);
  EXPECT_EQ(lengths.output, GetParam().expected.output);
  EXPECT_EQ(lengths.feature, GetParam().expected.feature);
  EXPECT_EQ(lengths.numbered, GetParam().expected.numbered);
}

INSTANTIATE_TEST_SUITE_P(
    ReportDescriptor, KnownDescriptors,
    testing::Values(DescriptorCase{"BootKeyboard", kBootKeyboard, {9, 2, 0, false}},
                    DescriptorCase{"BootMouse", kBootMouse, {4, 0, 0, false}},
                    DescriptorCase{"Vendor63", kVendor63, {64, 64, 64, false}},
                    DescriptorCase{"KeyboardAndConsumer", kKeyboardAndConsumer, {9, 0, 0, true}},
                    DescriptorCase{"PushPop", kPushPop, {3, 0, 9, true}},
                    DescriptorCase{
                        "LongItemAndWideCount", kLongItemAndWideCount, {64, 0, 0, false}}),
    [](const testing::TestParamInfo<DescriptorCase>& info) { return info.param.name; });

TEST(ReportDescriptor, EveryTruncationStaysInsideAndNeverGrowsTheLengths) {
  for (const auto* full :
       {&kBootKeyboard, &kVendor63, &kKeyboardAndConsumer, &kLongItemAndWideCount}) {
    const ReportLengths whole = ParseReportDescriptor(*full);
    for (std::size_t size = 0; size < full->size(); ++size) {
      // An exact-size copy, so that a read past the end is caught by the sanitizers.
      const std::vector<std::uint8_t> cut(full->begin(), full->begin() + size);
      const ReportLengths lengths = ParseReportDescriptor(cut);
      EXPECT_LE(lengths.input, whole.input) << size;
      EXPECT_LE(lengths.output, whole.output) << size;
      EXPECT_LE(lengths.feature, whole.feature) << size;
    }
  }
}

TEST(ReportDescriptor, ItemCutShortIsIgnored) {
  // Report Count 63 followed by an Input whose data byte is missing: nothing is counted.
  EXPECT_EQ(ParseReportDescriptor(std::vector<std::uint8_t>{0x75, 0x08, 0x95, 0x3F, 0x81}).input,
            0);
  // A long item announcing more data than there is ends the parse; the Input before it counts.
  const std::vector<std::uint8_t> long_cut = {0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xFE, 0x40, 0x00};
  EXPECT_EQ(ParseReportDescriptor(long_cut).input, 2);
}

TEST(ReportDescriptor, UnmatchedPopAndHugeSizesAreSafe) {
  const std::vector<std::uint8_t> descriptor = {
      0xB4,                                // Pop without Push: ignored
      0x77, 0xFF, 0xFF, 0xFF, 0xFF,        // Report Size 2^32 - 1
      0x97, 0xFF, 0xFF, 0xFF, 0xFF,        // Report Count 2^32 - 1
      0x81, 0x02, 0x81, 0x02, 0x81, 0x02,  // three Inputs that would overflow any sum
      0x85, 0x01, 0x75, 0x08, 0x95, 0x01, 0xB1, 0x02};
  const ReportLengths lengths = ParseReportDescriptor(descriptor);
  EXPECT_EQ(lengths.input, 0xFFFF);  // capped at the largest length Windows can state
  EXPECT_EQ(lengths.feature, 2);
  EXPECT_TRUE(lengths.numbered);
}

}  // namespace
}  // namespace orvane
