#include "engine/frequency_displays.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The field-check defaults (10 MHz, 5.06 GHz) are shown through the window.
TEST(FrequencyDisplayTexts, Texts) {
  const struct {
    DividerTexts fields;
    std::string out1_freq, f3lbl, fosclbl, label12;
  } cases[] = {
      {{"10000000", "1", "4", "256", "4", "2", "46", "15"},
       "1280000000",
       "F3 = 10000000 Hz ",
       "Fosc = 10.24 GHz ",
       "Fvco/N1_HS = 2560000000"},
      // F3 and Fosc in GHz are cut, not rounded.
      {{"1000", "3", "4", "2", "4", "2", "46", "15"},
       "333.333333333333",
       "F3 = 333 Hz ",
       "Fosc = 0 GHz ",
       "Fvco/N1_HS = 666.666666666667"},
      {{"1999999", "1", "5", "500", "5", "2", "46", "15"},
       "499999750",
       "F3 = 1999999 Hz ",
       "Fosc = 4.9999 GHz ",
       "Fvco/N1_HS = 999999500"},
      {{"1228800", "1", "5", "800", "4", "2", "46", "15"},
       "614400000",
       "F3 = 1228800 Hz ",
       "Fosc = 4.9152 GHz ",
       "Fvco/N1_HS = 1228800000"},
  };
  for (const auto& c : cases) {
    const std::optional<FrequencyDisplays> shown = FrequencyDisplayTexts(c.fields);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->out1_freq, c.out1_freq);
    EXPECT_EQ(shown->f3lbl, c.f3lbl);
    EXPECT_EQ(shown->fosclbl, c.fosclbl);
    EXPECT_EQ(shown->label12, c.label12);
  }
  EXPECT_EQ(FrequencyDisplayTexts({"x", "1", "4", "2", "4", "2", "46", "15"}), std::nullopt);
  EXPECT_EQ(FrequencyDisplayTexts({"1", "1", "4", "2", "4", "", "46", "15"}), std::nullopt);
}

}  // namespace
}  // namespace orvane
