#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/frequency_displays.h"
#include "freqplan/output_search.h"
#include "protocol/pll_dividers.h"

namespace orvane {

// One VCO entry of a searched frequency as the "DPLL Setup" lists work on it: the output
// frequency (Out1Freq as it reads now) and the entry's divider product P, so H = Fout * P. The
// window's chained lists and PlanDividers both choose through it.
struct VcoEntry {
  double fout = 0;
  std::int32_t product = 0;

  double half_vco() const { return fout * product; }
  // N1HS_list and N2HS_list: the high-speed dividers that reproduce the entry, 11 down to 4.
  std::vector<int> N1HsChoices() const;
  std::vector<int> N2HsChoices() const;
  // N2LS_list for an N2_HS: N2_LS ascending, each with an F3 above the threshold.
  std::vector<std::int32_t> N2LsChoices(int n2_hs) const;
  // NC1LS_calc for an N1_HS, and F3_calc for an N2_HS and N2_LS.
  double Nc1Ls(int n1_hs) const;
  double F3(double n2_hs, double n2_ls) const;
};

// Whether F3_calc marks `f3` as below the threshold the N2_LS choices keep above.
bool F3BelowThreshold(double f3);
// That threshold as people read it: "50 kHz".
std::string F3ThresholdText();

// Which exact setting of a searched frequency to program. What is not chosen is, as the window's
// VCO selection takes it, entry 0 and the first entry of every list; with `first_exact`, the first
// VCO entry and the first N2_HS that lead to an exact setting (what a script wants).
struct DividerRequest {
  std::optional<std::size_t> vco_index{};
  std::optional<int> n2_hs{};
  std::optional<std::int32_t> n2_ls{};
  bool first_exact = false;
  std::uint8_t bw = 15;       // what a search sets
  std::uint32_t nc2_ls = 46;  // kept as the clock holds it, through the field check
};

// The divider lists of one VCO entry and the whole setting chosen in them, when there is one.
struct DividerPlan {
  std::size_t vco_index = 0;
  double vco_hz = 0;
  std::vector<int> n1_hs_choices;
  std::vector<int> n2_hs_choices;
  std::vector<std::int32_t> n2_ls_choices;  // of the chosen N2_HS
  std::optional<PllDividers> dividers;      // after the field check
  FrequencyValues values;                   // what `dividers` produce
  std::string why_not;                      // when there are no dividers

  explicit operator bool() const { return dividers.has_value(); }
};

// The lists of entry `request.vco_index` of `table` (searched for `fout`) as far as they go, and
// the set that choosing in them programs, exactly as the window's VCO selection and field check
// build it. No dividers, with the reason in `why_not`, when the index is outside the table, a
// chosen divider is not in its list, or a list is empty.
DividerPlan PlanDividers(double fout, const CandidateTable& table, const DividerRequest& request);

// Why the window's choice for VCO entry `vco_index` of `table` (searched for `fout`) found no
// setting, and what the user can choose instead: another N2_HS of that entry, another VCO entry,
// or nothing at all.
std::string NoExactSettingText(double fout, const CandidateTable& table, std::size_t vco_index);

}  // namespace orvane
