#include "freqplan/output_search.h"

#include <algorithm>
#include <array>

#include "freqplan/divider_model.h"

namespace orvane {
namespace {

constexpr int kHsDividerCount = kHighestHsDivider - kLowestHsDivider + 1;
constexpr std::int64_t kProgressInterval = 4096;

// Walks k upwards for one N1_HS value; its H values ascend with k.
struct DividerCursor {
  int n;
  double f_times_n;
  std::int32_t k;
  std::int32_t kmax;
  double h;  // (fout * n) * k
};

}  // namespace

void FindOutputCandidates(double fout, CandidateTable& table, const SearchProgress& progress) {
  table.HalfVcoTable.clear();
  table.ProductTable.clear();

  // Cursors with candidates left, in enumeration order (highest n first) so that of equal H the
  // first cursor's wins.
  std::array<DividerCursor, kHsDividerCount> cursors;
  int active = 0;
  std::int64_t total = 0;
  for (int n = kHighestHsDivider; n >= kLowestHsDivider; --n) {
    const DividerRange range = OutputDividerRange(fout, n);
    if (range.empty()) continue;
    const double f_times_n = fout * n;
    cursors[active++] = {n, f_times_n, range.min, range.max, f_times_n * range.min};
    total += std::int64_t{range.max} - range.min + 1;
  }
  // The distinct count never exceeds the enumerated count; capacity is kept between searches.
  table.HalfVcoTable.reserve(total);
  table.ProductTable.reserve(total);

  // Repeatedly taking the smallest head yields every H in ascending order, and any duplicate of
  // a recorded value arrives right after it.
  double last = 0;
  for (std::int64_t done = 1; active > 0; ++done) {
    int smallest = 0;
    for (int i = 1; i < active; ++i) {
      if (cursors[i].h < cursors[smallest].h) smallest = i;
    }
    DividerCursor& cursor = cursors[smallest];
    if (table.HalfVcoTable.empty() || cursor.h != last) {
      last = cursor.h;
      table.HalfVcoTable.push_back(last);
      table.ProductTable.push_back(cursor.n * cursor.k);
    }
    if (cursor.k < cursor.kmax) {
      ++cursor.k;
      cursor.h = cursor.f_times_n * cursor.k;
    } else {
      std::copy(cursors.begin() + smallest + 1, cursors.begin() + active,
                cursors.begin() + smallest);
      --active;
    }
    if (progress && done % kProgressInterval == 0) {
      progress(static_cast<double>(done) / static_cast<double>(total));
    }
  }
  if (progress) progress(1.0);
}

}  // namespace orvane
