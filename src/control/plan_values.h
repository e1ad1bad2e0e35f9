#pragma once

#include <cstddef>

#include "control/json_writer.h"
#include "engine/frequency_plan.h"

namespace orvane {

// A frequency's plan as `orvanectl plan --json` prints it and the service's `plan` carries it:
// "frequency_hz", "candidate_count", the first `shown` "candidates" (index, vco_hz, exact), and
// "choice" (VCO entry, dividers without NC2_LS, frequencies and the divider lists) or null.
void WriteFrequencyPlan(JsonWriter& json, const FrequencyPlan& plan, std::size_t shown);
// The chosen entry's "vco_index", "vco_hz", "dividers" and frequencies into an open object.
void WriteChoiceFields(JsonWriter& json, const DividerPlan& plan, bool with_nc2_ls);

}  // namespace orvane
