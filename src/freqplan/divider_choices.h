#pragma once

#include <cstdint>
#include <vector>

namespace orvane {

// The dividers that reproduce one VCO candidate exactly, highest first where a list holds
// high-speed dividers. `product` is the candidate's P = N1_HS * k and `half_vco` its H.

// N1_HS values n (11 down to 4) for which some k in OutputDividerRange(fout, n) gives n * k = P.
std::vector<int> OutputHsChoices(double fout, std::int32_t product);

// N2_HS values h (11 down to 4) with at least one admissible m in FeedbackDividerRange. No F3
// threshold applies here, so an h may be offered whose N2_LS choices are all filtered out.
std::vector<int> FeedbackHsChoices(double half_vco);

// N2_LS values 2m, m ascending, whose pair (h, m) is admissible with F3 above kF3Threshold.
std::vector<std::int32_t> FeedbackLsChoices(double half_vco, int h);

// NC1_LS for the chosen N1_HS n: (P * 2) / n.
double OutputLsDivider(std::int32_t product, int n);

// F3 that a chosen N2_HS and N2_LS give: (H * 2) / (N2_HS * N2_LS).
double ChosenF3(double half_vco, double n2_hs, double n2_ls);

}  // namespace orvane
