#include "freqplan/reference_search.h"

#include <utility>

#include "freqplan/divider_model.h"

namespace orvane {

ReferenceSearch::ReferenceSearch() : half_vco_(kTableSize), product_(kTableSize) {}

bool ReferenceSearch::Run(double fout) {
  int count = 0;
  for (int n = kHighestHsDivider; n >= kLowestHsDivider; --n) {
    const DividerRange range = OutputDividerRange(fout, n);
    for (std::int32_t k = range.min; k <= range.max; ++k) {
      const double h = (fout * n) * k;
      bool seen = false;
      for (int j = 0; j < count && !seen; ++j) seen = half_vco_[j] == h;
      if (seen) continue;
      if (count == kMaxCandidates) {
        candidate_count_ = 0;
        return false;
      }
      half_vco_[count] = h;
      product_[count] = n * k;
      ++count;
    }
  }
  for (int pass = 0; pass < count - 1; ++pass) {
    for (int j = 0; j < count - 1; ++j) {
      if (half_vco_[j] > half_vco_[j + 1]) {
        std::swap(half_vco_[j], half_vco_[j + 1]);
        std::swap(product_[j], product_[j + 1]);
      }
    }
  }
  candidate_count_ = static_cast<std::int16_t>(count);
  return true;
}

}  // namespace orvane
