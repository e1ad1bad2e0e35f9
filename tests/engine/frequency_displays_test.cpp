#include "engine/frequency_displays.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

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

}  // namespace
}  // namespace orvane
