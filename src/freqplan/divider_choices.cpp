#include "freqplan/divider_choices.h"

#include "freqplan/divider_model.h"

namespace orvane {

std::vector<int> OutputHsChoices(double fout, std::int32_t product) {
  std::vector<int> choices;
  for (int n = kHighestHsDivider; n >= kLowestHsDivider; --n) {
    if (product % n != 0) continue;
    const DividerRange range = OutputDividerRange(fout, n);
    const std::int32_t k = product / n;
    if (k >= range.min && k <= range.max) choices.push_back(n);
  }
  return choices;
}

std::vector<int> FeedbackHsChoices(double half_vco) {
  std::vector<int> choices;
  for (int h = kHighestHsDivider; h >= kLowestHsDivider; --h) {
    const DividerRange range = FeedbackDividerRange(half_vco, h);
    for (std::int32_t m = range.min; m <= range.max; ++m) {
      if (AdmissibleF3(half_vco, h, m)) {
        choices.push_back(h);
        break;
      }
    }
  }
  return choices;
}

std::vector<std::int32_t> FeedbackLsChoices(double half_vco, int h) {
  std::vector<std::int32_t> choices;
  const DividerRange range = FeedbackDividerRange(half_vco, h);
  for (std::int32_t m = range.min; m <= range.max; ++m) {
    const std::optional<std::int32_t> f3 = AdmissibleF3(half_vco, h, m);
    if (f3 && *f3 > kF3Threshold) choices.push_back(2 * m);
  }
  return choices;
}

double OutputLsDivider(std::int32_t product, int n) {
  // P * 2 is a whole number formed before the division; 64 bits keep any P from overflowing.
  return static_cast<double>(std::int64_t{product} * 2) / n;
}

double ChosenF3(double half_vco, double n2_hs, double n2_ls) {
  return (half_vco * 2) / (n2_hs * n2_ls);
}

}  // namespace orvane
