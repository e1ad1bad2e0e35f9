#include "engine/number_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvane {
namespace {

TEST(ParseNumber, AcceptsWhatAHostParserReadsWhole) {
  const std::pair<const char*, double> cases[] = {{"  364.2 ", 364.2}, {"\t-5", -5}, {"+0480", 480},
                                                  {"1.5E3", 1500},     {".5", 0.5},  {"5.", 5},
                                                  {"1e-400", 0}};  // too small for a double reads
                                                                   // as zero, like any host parser
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseNumber(text), value) << text;
  for (const char* text :
       {"", "   ", "12abc", "0x10", "1,000", "1 000", "inf", "nan", "1e", ".", "+-1", "1e400"}) {
    EXPECT_EQ(ParseNumber(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(FormatGeneral, FifteenSignificantDigitsWithoutTrailingZeros) {
  const std::pair<double, const char*> cases[] = {{4200000000.0, "4200000000"},
                                                  {2875000.0 / 3, "958333.333333333"},
                                                  {-2.5, "-2.5"},
                                                  {-0.0, "0"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatGeneral(value), text) << text;
}

TEST(RoundToInt32, HalvesToEvenWithinRange) {
  const std::pair<double, std::optional<std::int32_t>> cases[] = {
      {2.5, 2},
      {-2.5, -2},
      {3.5, 4},
      {-2147483648.0, -2147483647 - 1},
      {2147483647.5, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundToInt32(value), rounded) << value;
}

}  // namespace
}  // namespace orvane
