#include "engine/frequency_plan.h"

#include "engine/input_checks.h"
#include "engine/number_text.h"
#include "freqplan/divider_model.h"

namespace orvane {

FrequencyPlan PlanFrequency(double hz, const DividerRequest& request) {
  FrequencyPlan plan;
  plan.hz = hz;
  FindOutputCandidates(hz, plan.table);
  plan.plan = PlanDividers(hz, plan.table, request);
  return plan;
}

std::optional<std::string> FrequencyRangeRefusal(double hz, const std::string& typed) {
  if (hz < kLowestOutputFrequency) {
    return "HZ " + typed + " is too low: the lowest available frequency is " +
           LowestFrequencyText();
  }
  if (hz > kHighestOutputFrequency) {
    return "HZ " + typed + " is too high: the highest available frequency is " +
           HighestFrequencyText();
  }
  return std::nullopt;
}

std::string NoSettingText(double hz, const std::string& why_not) {
  return "no exact setting for " + FormatGeneral(hz) + " Hz: " + why_not +
         " (orvanectl plan lists the choices)";
}

}  // namespace orvane
