#include "engine/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>

#include "device/trace_log.h"
#include "engine/decimal_text.h"
#include "engine/label29_caption.h"

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

// The window's toolkit takes LC_NUMERIC from the environment; a German user's has a decimal
// comma. The locale is compiled into a scratch folder (from Debian's `locales` data), so the
// test needs no locale installed system-wide.
TEST(NumberText, UnderACommaLocaleEveryNumberKeepsItsPoint) {
  const std::string dir = testing::TempDir() + "orvane_locales";
  std::filesystem::create_directories(dir);
  ASSERT_EQ(std::system(("localedef -i de_DE -f ISO-8859-1 " + dir + "/de_DE").c_str()), 0);
  setenv("LOCPATH", dir.c_str(), 1);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE"), nullptr);
  char comma[8];
  std::snprintf(comma, sizeof comma, "%.1f", 0.5);
  EXPECT_STREQ(comma, "0,5");  // the locale is in force

  EXPECT_EQ(FormatThreeDecimals(4.5678), "4.568");  // TCXO_acc
  EXPECT_EQ(Label29Caption({.count1 = 1u << 28, .count2 = 1u << 28}, {11, 2875000, 480}),
            "PLL reference frequency: 15180000000.000Hz\r\nPLL correction: 0.000Hz");
  ManualClock clock;
  clock.Advance(std::chrono::milliseconds(1250));
  std::ostringstream trace_text;
  TraceLog(&trace_text, clock).Write("G60031", "open", "sim:0");
  EXPECT_EQ(trace_text.str(), "1.250 G60031 open sim:0\n");
  EXPECT_EQ(ParseNumber("4.5"), 4.5);
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace orvane
