#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

// The output-divider candidates of one requested frequency, in ascending order of the half-VCO
// frequency: entry j is the half-VCO frequency H and the divider product P = N1_HS * k that gives
// it. Kept by the window and reused from search to search, so its storage grows only when a
// search needs more than any before it.
struct CandidateTable {
  std::vector<double> HalfVcoTable;
  std::vector<std::int32_t> ProductTable;

  std::size_t CandidateCount() const { return HalfVcoTable.size(); }
};

// Told the fraction of the enumeration done, from 0 to 1, every few thousand candidates.
using SearchProgress = std::function<void(double fraction)>;

// Fills `table` with every distinct half-VCO frequency H = (fout * n) * k for N1_HS = n from 11
// down to 4 and k over its OutputDividerRange, sorted ascending. Of equal H values the one with
// the higher n is kept. `fout` must lie within the output frequency limits; outside them the
// table comes out empty. Nothing is allocated per candidate.
void FindOutputCandidates(double fout, CandidateTable& table,
                          const SearchProgress& progress = nullptr);

}  // namespace orvane
