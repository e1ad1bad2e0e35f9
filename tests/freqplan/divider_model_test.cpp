#include "freqplan/divider_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "freqplan/divider_choices.h"
#include "freqplan/exact_setting.h"
#include "freqplan/output_search.h"
#include "freqplan/reference_search.h"

namespace orvane {
namespace {

using testing::ElementsAre;

TEST(DividerRanges, BoundsAndNothingBeyondTheLimits) {
  const struct {
    double fout;
    int n;
    std::int32_t kmin, kmax;
  } cases[] = {
      // 42.999 rounds down to 42, not up: H starts exactly at 2.1 GHz.
      {10000000, 5, 42, 66},
      // At the limits exactly one candidate remains.
      {825000000, 4, 1, 1},
      // Past the cap (1,312,500 and 2,062,500 for 400 Hz) the range is empty.
      {400, 4, 524289, 524288},
      // An edited frequency outside the limits gives nothing and overflows nothing.
      {825000001, 4, 1, 0},
      {0, 11, 524289, 524288},
      {std::numeric_limits<double>::quiet_NaN(), 11, 1, 0},
  };
  for (const auto& c : cases) {
    const DividerRange range = OutputDividerRange(c.fout, c.n);
    EXPECT_EQ(std::pair(range.min, range.max), std::pair(c.kmin, c.kmax)) << c.fout << " " << c.n;
  }
  EXPECT_TRUE(FeedbackDividerRange(1e20, 4).empty());
}

TEST(AdmissibleF3, ExactWholeAndNotExcluded) {
  const struct {
    double half_vco;
    int h;
    std::int32_t m;
    std::optional<std::int32_t> f3;
  } cases[] = {
      {3050000000.0, 10, 160, 1906250},
      {38400.0 * 11 * 5000, 11, 5000, 38400},  // not in the table
      {2000000.0 * 10 * 150, 10, 150, std::nullopt},
      {20000.0 * 10 * 15000, 10, 15000, std::nullopt},
      // 1,900,826.4 rounds to a whole number that misses H.
      {2530000000.0, 11, 121, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdmissibleF3(c.half_vco, c.h, c.m), c.f3) << c.half_vco << " " << c.m;
  }
}

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

TEST(FindOutputCandidates, OneKilohertzHasNoCap) {
  CandidateTable table;
  FindOutputCandidates(1000, table);
  EXPECT_EQ(table.CandidateCount(), 625505u);
  EXPECT_FALSE(ReferenceSearch().Run(1000));  // more than the reference can hold
}

// The fast search must give exactly the reference's entries, order and products.
void ExpectSameAsReference(double fout, ReferenceSearch& reference, CandidateTable& table) {
  SCOPED_TRACE(testing::Message() << "fout = " << fout);
  ASSERT_TRUE(reference.Run(fout));
  FindOutputCandidates(fout, table);
  ASSERT_GE(table.CandidateCount(), 1u);
  ASSERT_TRUE(std::ranges::equal(table.HalfVcoTable, reference.HalfVcoTable()));
  ASSERT_TRUE(std::ranges::equal(table.ProductTable, reference.ProductTable()));
}

TEST(FindOutputCandidates, MatchesTheReferenceAtEdgesAndOnRandomFrequenciesAndNothingBeyond) {
  ReferenceSearch reference;
  CandidateTable table;
  for (double fout : {kLowestOutputFrequency, 364.2, 365.0, 100000.0, 9999991.0, 10000000.0,
                      12345678.9, 825000000.0}) {
    ExpectSameAsReference(fout, reference, table);
  }
  EXPECT_EQ(table.ProductTable, std::vector<std::int32_t>{4});  // the highest: one candidate
  for (double fout : {825000001.0, 364.0}) {
    FindOutputCandidates(fout, table);
    EXPECT_EQ(table.CandidateCount(), 0u) << fout;
  }
  // Frequencies drawn evenly on a log scale over the accepted range: whole ones (many exact
  // duplicates), quarter-hertz ones and arbitrary fractions. Those with more than a few thousand
  // candidates are skipped: the reference caps out or takes seconds there.
  constexpr std::size_t kMaxCompared = 6000;
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> log_fout(std::log(kLowestOutputFrequency),
                                                  std::log(kHighestOutputFrequency));
  int compared = 0;
  for (int draw = 0; compared < 300; ++draw) {
    double fout = std::exp(log_fout(random));
    if (draw % 3 == 0) fout = std::ceil(fout);
    if (draw % 3 == 1) fout = std::ceil(fout * 4) / 4;
    if (fout > kHighestOutputFrequency) continue;
    FindOutputCandidates(fout, table);
    if (table.CandidateCount() > kMaxCompared) continue;
    ExpectSameAsReference(fout, reference, table);
    if (HasFatalFailure()) return;
    ++compared;
  }
}

}  // namespace
}  // namespace orvane
