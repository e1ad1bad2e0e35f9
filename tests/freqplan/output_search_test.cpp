#include "freqplan/output_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "freqplan/divider_model.h"
#include "freqplan/reference_search.h"

namespace orvane {
namespace {

TEST(FindOutputCandidates, OneKilohertzHasNoCap) {
  CandidateTable table;
  std::vector<double> fractions;
  FindOutputCandidates(1000, table, [&](double fraction) { fractions.push_back(fraction); });
  EXPECT_EQ(table.CandidateCount(), 625505u);
  EXPECT_FALSE(ReferenceSearch().Run(1000));  // more than the reference can hold
  // A bounded number of progress reports, ascending, ending at 1.
  ASSERT_FALSE(fractions.empty());
  EXPECT_LT(fractions.size(), 1000u);
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_GT(fractions.front(), 0.0);
  EXPECT_EQ(fractions.back(), 1.0);
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
