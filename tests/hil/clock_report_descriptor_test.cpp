#include "hil/clock_report_descriptor.h"

#include <gtest/gtest.h>

#include "device/hid/report_descriptor.h"

namespace orvane {
namespace {

// The kernel and the program read the lengths back from the descriptor: they must come out as
// the device's own, for short reports as well as ones past the 8-bit Report Count.
TEST(ClockReportDescriptor, ParsesBackToTheDeviceLengthsUnnumbered) {
  struct Case {
    int feature;
    int input;
  };
  for (const Case c : {Case{64, 64}, Case{41, 20}, Case{2, 300}, Case{1025, 64}}) {
    const ReportLengths lengths = ParseReportDescriptor(ClockReportDescriptor(c.feature, c.input));
    EXPECT_EQ(lengths.feature, c.feature) << c.feature << "/" << c.input;
    EXPECT_EQ(lengths.input, c.input) << c.feature << "/" << c.input;
    EXPECT_EQ(lengths.output, 0);
    EXPECT_FALSE(lengths.numbered);
  }
}

}  // namespace
}  // namespace orvane
