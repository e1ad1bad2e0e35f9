#include "freqplan/divider_choices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "freqplan/output_search.h"

namespace orvane {
namespace {

using testing::ElementsAre;

TEST(DividerChoices, TenMegahertzProduct253) {
  const double fout = 10000000;
  const double half_vco = fout * 253;
  EXPECT_THAT(OutputHsChoices(fout, 253), ElementsAre(11));
  EXPECT_EQ(OutputLsDivider(253, 11), 46);
  EXPECT_THAT(FeedbackHsChoices(half_vco), ElementsAre(11, 10, 8, 5, 4));

  const std::vector<std::int32_t> n2_ls = FeedbackLsChoices(half_vco, 11);
  ASSERT_EQ(n2_ls.size(), 24u);
  // 230 (m = 115) would give the excluded F3 of 2 MHz.
  EXPECT_THAT(std::vector<std::int32_t>(n2_ls.begin(), n2_ls.begin() + 8),
              ElementsAre(250, 256, 320, 368, 400, 500, 640, 736));
  EXPECT_EQ(ChosenF3(half_vco, 11, n2_ls[0]), 1840000);
}

TEST(DividerChoices, FirstChoiceOfTheLowestTenMegahertzCandidate) {
  CandidateTable table;
  FindOutputCandidates(10000000, table);
  const std::int32_t product = table.ProductTable[0];
  ASSERT_EQ(product, 210);
  const double half_vco = 10000000.0 * product;

  const std::vector<int> n1_hs = OutputHsChoices(10000000, product);
  EXPECT_THAT(n1_hs, ElementsAre(10, 7, 6, 5));
  EXPECT_EQ(OutputLsDivider(product, n1_hs[0]), 42);
  ASSERT_EQ(FeedbackHsChoices(half_vco).at(0), 10);
  ASSERT_EQ(FeedbackLsChoices(half_vco, 10).at(0), 224);
  EXPECT_EQ(ChosenF3(half_vco, 10, 224), 1875000);
}

TEST(DividerChoices, NoWholeHertzF3ForAPrimeFrequency) {
  // 9,999,991 Hz is prime: no candidate has a whole-hertz F3.
  CandidateTable table;
  FindOutputCandidates(9999991, table);
  ASSERT_GT(table.CandidateCount(), 0u);
  for (std::int32_t product : table.ProductTable) {
    EXPECT_TRUE(FeedbackHsChoices(9999991.0 * product).empty()) << product;
  }
}

TEST(DividerChoices, HsOfferedAlthoughEveryF3IsBelowTheThreshold) {
  // H / 4 is the product of the primes 24,989 and 25,013: only those two F3 values exist, both
  // admissible, both far below 50 kHz.
  const double half_vco = 4.0 * 24989 * 25013;
  EXPECT_THAT(FeedbackHsChoices(half_vco), ElementsAre(4));
  EXPECT_TRUE(FeedbackLsChoices(half_vco, 4).empty());
}

}  // namespace
}  // namespace orvane
