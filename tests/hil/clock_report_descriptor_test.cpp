#include "hil/clock_report_descriptor.h"

#include <gtest/gtest.h>

#include "device/hid/report_descriptor.h"

namespace orvane {
namespace {

// The kernel and the program read the lengths back from the descriptor: they must come out as
// the device's own, for short reports as well as ones past the 8-bit Report Count.
TEST(ClockReportDescriptor, ParsesBackToTheDeviceLengthsUnnumbered) {
  for (const auto [feature, input] : {std::pair{64, 64}, {41, 20}, {2, 300}, {1025, 64}}) {
    const ReportLengths lengths = ParseReportDescriptor(ClockReportDescriptor(feature, input));
    EXPECT_EQ(lengths.feature, feature) << feature << "/" << input;
    EXPECT_EQ(lengths.input, input) << feature << "/" << input;
    EXPECT_EQ(lengths.output, 0);
    EXPECT_FALSE(lengths.numbered);
  }
}

}  // namespace
}  // namespace orvane
