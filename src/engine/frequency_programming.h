#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "freqplan/output_search.h"
#include "protocol/pll_dividers.h"

namespace orvane {

// Which exact setting of a searched frequency to program: the window takes the first VCO entry
// and the first entry of every divider list; a user may choose others.
struct DividerRequest {
  std::size_t vco_index = 0;
  std::optional<int> n2_hs;
  std::optional<std::int32_t> n2_ls;
  std::string bw = "15";  // what a search sets
  std::string nc2_ls;     // kept as the clock holds it
};

// A divider set chosen for a requested frequency, in the window's terms.
struct PlannedDividers {
  double vco_hz = 0;
  std::vector<int> n1_hs_choices;
  std::vector<int> n2_hs_choices;
  std::vector<std::int32_t> n2_ls_choices;
  DividerTexts texts;  // after the field check: what the divider fields show
  PllDividers dividers;
  FrequencyDisplays displays;
};

// The divider lists of entry `request.vco_index` of `table` (searched for `fout`) and the set
// that choosing in them programs, exactly as the window's VCO selection and field check build it.
// nullopt, with the reason in `why_not`, when the index is outside the table, a chosen divider is
// not in its list, or a list is empty.
std::optional<PlannedDividers> PlanDividers(double fout, const CandidateTable& table,
                                            const DividerRequest& request, std::string* why_not);

}  // namespace orvane
