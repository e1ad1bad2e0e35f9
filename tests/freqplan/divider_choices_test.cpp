#include "freqplan/divider_choices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "freqplan/exact_setting.h"
#include "freqplan/output_search.h"

namespace orvane {
namespace {

using testing::ElementsAre;

// The chained lists for 10 MHz are checked through the window; this edge it cannot tell apart
// from an empty N2_HS list.
TEST(DividerChoices, HsOfferedAlthoughEveryF3IsBelowTheThreshold) {
  // H / 4 is the product of the primes 24,989 and 25,013: only those two F3 values exist, both
  // admissible, both far below 50 kHz.
  const double half_vco = 4.0 * 24989 * 25013;
  EXPECT_THAT(FeedbackHsChoices(half_vco), ElementsAre(4));
  EXPECT_TRUE(FeedbackLsChoices(half_vco, 4).empty());
}

// The definition, m by m: some N1_HS, and some N2_HS with an N2_LS.
bool SlowHasExactSetting(double fout, std::int32_t product) {
  if (OutputHsChoices(fout, product).empty()) return false;
  const double half_vco = fout * product;
  for (int h : FeedbackHsChoices(half_vco)) {
    if (!FeedbackLsChoices(half_vco, h).empty()) return true;
  }
  return false;
}

TEST(ExactSettingCheck, AgreesWithTheDefinitionOnEveryKindOfCandidate) {
  // Whole, dyadic and decimal fractions (400.1 * P is whole by rounding for every tenth P),
  // primes, the no-setting and first-N2_HS-fails examples, and the edges of the limits.
  const double kFrequencies[] = {364.2,        400.1,     920,      1000,     1234.5,
                                 1234.5678901, 100000.25, 9999991,  10000000, 47783653,
                                 625049857,    796913126, 825000000};
  constexpr std::size_t kPerFrequency = 14;
  CandidateTable table;
  for (const double fout : kFrequencies) {
    FindOutputCandidates(fout, table);
    const ExactSettingCheck check(fout);
    const std::size_t count = table.CandidateCount();
    for (std::size_t i = 0; i < count; i += count / kPerFrequency + 1) {
      // Near each sampled entry, one whose H is whole, where the check has work to do.
      std::size_t j = i;
      while (j + 1 < count && j < i + 40 && std::fmod(fout * table.ProductTable[j], 1) != 0) ++j;
      for (const std::size_t entry : {i, j}) {
        const std::int32_t product = table.ProductTable[entry];
        ASSERT_EQ(check.HasExactSetting(product), SlowHasExactSetting(fout, product))
            << fout << " Hz, P " << product;
      }
    }
  }
  // Products no search makes: H far outside the VCO window, or none at all.
  const ExactSettingCheck check(1000);
  for (const std::int32_t product : {0, -5, 1, 4, 5767168}) {
    EXPECT_EQ(check.HasExactSetting(product), SlowHasExactSetting(1000, product)) << product;
  }
}

}  // namespace
}  // namespace orvane
