#include "device/trace_log.h"

#include <gtest/gtest.h>

#include <sstream>

namespace orvane {
namespace {

TEST(TraceLog, WritesStampSerialKindAndRest) {
  ManualClock clock;
  std::ostringstream out;
  TraceLog trace(&out, clock);
  clock.Advance(std::chrono::milliseconds(1234));
  trace.Write("G60031", "open", "/dev/hidraw3");
  clock.Advance(std::chrono::microseconds(500));
  trace.Write("", "message", "Frequency too low | Lowest available frequency is 365 Hz");
  EXPECT_EQ(out.str(),
            "1.234 G60031 open /dev/hidraw3\n"
            "1.234 - message Frequency too low | Lowest available frequency is 365 Hz\n");
}

TEST(TraceLog, WithoutStreamWritesNothing) {
  ManualClock clock;
  TraceLog trace(nullptr, clock);
  EXPECT_FALSE(trace.enabled());
  trace.Write("-", "open", "x");  // must not crash
}

TEST(HexBytes, UpperCaseTwoDigitsSpaceSeparated) {
  const std::uint8_t bytes[] = {0x00, 0x04, 0xAB, 0x0F};
  EXPECT_EQ(HexBytes(bytes), "00 04 AB 0F");
  EXPECT_EQ(HexBytes({}), "");
}

}  // namespace
}  // namespace orvane
