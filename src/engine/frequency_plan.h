#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/frequency_programming.h"
#include "freqplan/output_search.h"

namespace orvane {

// One output frequency planned as `orvanectl plan` and `set-frequency` plan it, and the service
// for its clients: every VCO candidate, and the first exact setting (or the one chosen).
struct FrequencyPlan {
  double hz = 0;
  CandidateTable table;
  DividerPlan plan;
};
FrequencyPlan PlanFrequency(double hz, const DividerRequest& request);

// Why a frequency outside the output's limits is refused ("HZ 1 is too low: ..."); nullopt
// within them. `typed` is the frequency as the user gave it.
std::optional<std::string> FrequencyRangeRefusal(double hz, const std::string& typed);
// Why a plan has no exact setting, with where to look for one.
std::string NoSettingText(double hz, const std::string& why_not);

}  // namespace orvane
