#include "engine/number_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvane {
namespace {

TEST(ParseNumber, Accepts) {
  EXPECT_EQ(ParseNumber("10000000"), 10000000.0);
  EXPECT_EQ(ParseNumber("  364.2 "), 364.2);
  EXPECT_EQ(ParseNumber("\t-5"), -5.0);
  EXPECT_EQ(ParseNumber("+0480"), 480.0);
  EXPECT_EQ(ParseNumber("1.5E3"), 1500.0);
  EXPECT_EQ(ParseNumber("2e+2"), 200.0);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  EXPECT_EQ(ParseNumber("5."), 5.0);
  // Too small for a double reads as zero, like any host parser.
  EXPECT_EQ(ParseNumber("1e-400"), 0.0);
}

TEST(ParseNumber, Rejects) {
  for (const char* text : {"",    "   ",  "abc", "12abc",    "0x10",  "1,000",  "1 000",
                           "inf", "-inf", "nan", "Infinity", "1e",    "1e+",    ".",
                           "-",   "+-1",  "--1", "1.2.3",    "1e400", "-1e400", "1e99999999999"}) {
    EXPECT_EQ(ParseNumber(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(FormatGeneral, Forms) {
  EXPECT_EQ(FormatGeneral(4200000000.0), "4200000000");
  EXPECT_EQ(FormatGeneral(2875000.0 / 3), "958333.333333333");
  EXPECT_EQ(FormatGeneral(5.06), "5.06");
  EXPECT_EQ(FormatGeneral(364.2), "364.2");
  EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(1048576.0), "1048576");
}

TEST(RoundToInt32, HalvesToEvenWithinRange) {
  EXPECT_EQ(RoundToInt32(2.5), 2);
  EXPECT_EQ(RoundToInt32(3.5), 4);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt32(2.6), 3);
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(RoundToInt32(-2147483648.0), -2147483647 - 1);
  EXPECT_EQ(RoundToInt32(2147483647.5), std::nullopt);
  EXPECT_EQ(RoundToInt32(-2147483649.0), std::nullopt);
  EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

}  // namespace
}  // namespace orvane
