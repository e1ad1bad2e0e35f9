// The texts of the window's number fields: parsing, rounding and printing numbers, the divider
// fields' corrections, and the frequency displays they give.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>

#include "device/trace_log.h"
#include "engine/decimal_text.h"
#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "engine/label29_caption.h"
#include "engine/number_text.h"

namespace orvane {
namespace {

TEST(ParseNumber, AcceptsWhatAHostParserReadsWhole) {
  // 1e-400 is too small for a double: it reads as zero, as in any host parser.
  const std::pair<const char*, double> cases[] = {{"  364.2 ", 364.2}, {"\t-5", -5}, {"+0480", 480},
                                                  {"1.5E3", 1500},     {".5", 0.5},  {"5.", 5},
                                                  {"1e-400", 0}};
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

DividerTexts Defaults() { return {"2875000", "3", "11", "480", "11", "46", "46", "15"}; }

auto Tie(const DividerTexts& t) {
  return std::tie(t.gps, t.n31, t.n2_hs, t.n2_ls, t.n1_hs, t.nc1_ls, t.nc2_ls, t.bw);
}

TEST(CheckDividerFields, RewritesOnlyTheFieldItCorrects) {
  const struct {
    std::string DividerTexts::*field;
    std::string typed, checked;
  } cases[] = {
      {&DividerTexts::gps, "0.5", "1"},
      {&DividerTexts::gps, "10000001", "10000000"},
      {&DividerTexts::n31, "600000", "524288"},
      {&DividerTexts::n2_hs, "3", "4"},
      {&DividerTexts::n2_ls, "3", "2"},
      // Fractions round, halves to even, before the even rule: the field holds what is sent.
      {&DividerTexts::n2_ls, "480.6", "480"},
      {&DividerTexts::nc1_ls, "47.5", "48"},
      {&DividerTexts::nc1_ls, "1", "2"},
      {&DividerTexts::nc2_ls, "1048577", "1048576"},
      {&DividerTexts::nc2_ls, "", "46"},
      {&DividerTexts::bw, "abc", "abc"}};
  for (const auto& c : cases) {
    DividerTexts texts = Defaults();
    DividerTexts expected = Defaults();
    texts.*c.field = c.typed;
    expected.*c.field = c.checked;
    CheckDividerFields(texts);
    EXPECT_EQ(Tie(texts), Tie(expected)) << c.typed;
  }
}

TEST(DividersFromTexts, CheckedExtremesAreSentAndAnUnsendableBandwidthIsNot) {
  DividerTexts texts = {"10000000", "600000", "4", "3", "4", "1048576", "1048577", "255"};
  CheckDividerFields(texts);
  EXPECT_EQ(DividersFromTexts(texts),
            (PllDividers{10000000, 524288, 4, 2, 4, 1048576, 1048576, 255}));
  // Unchecked fractions round halves to even in the stored form: N31 4.5 is stored as 4.
  texts = {"2875000.5", "4.5", "11", "480", "11", "46", "46", "15"};
  EXPECT_EQ(DividersFromTexts(texts), (PllDividers{2875000, 5, 11, 480, 11, 46, 46, 15}));
  for (const auto& [bw, gps] :
       {std::pair{"256", "1"}, {"1.5", "1"}, {"-1", "1"}, {"15", "abc"}, {"15", "1e20"}}) {
    texts = Defaults();
    texts.bw = bw;
    texts.gps = gps;
    EXPECT_FALSE(DividersFromTexts(texts)) << bw << " " << gps;
  }
}

TEST(FrequencyDisplayTexts, Texts) {
  const std::pair<DividerTexts, const char*> cases[] = {
      {{"10000000", "1", "4", "256", "4", "2", "46", "15"},
       "1280000000|F3 = 10000000 Hz |Fosc = 10.24 GHz |Fvco/N1_HS = 2560000000"},
      // F3 and Fosc in GHz are cut, not rounded.
      {{"1000", "3", "4", "2", "4", "2", "46", "15"},
       "333.333333333333|F3 = 333 Hz |Fosc = 0 GHz |Fvco/N1_HS = 666.666666666667"},
  };
  for (const auto& [fields, texts] : cases) {
    const std::optional<FrequencyDisplays> shown = FrequencyDisplayTexts(fields);
    ASSERT_TRUE(shown) << texts;
    EXPECT_EQ(shown->out1_freq + "|" + shown->f3lbl + "|" + shown->fosclbl + "|" + shown->label12,
              texts);
  }
  EXPECT_EQ(FrequencyDisplayTexts({"x", "1", "4", "2", "4", "2", "46", "15"}), std::nullopt);
  EXPECT_EQ(FrequencyDisplayTexts({"1", "1", "4", "2", "4", "", "46", "15"}), std::nullopt);
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
