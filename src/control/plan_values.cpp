#include "control/plan_values.h"

#include <vector>

#include "control/control_values.h"
#include "freqplan/exact_setting.h"

namespace orvane {
namespace {

template <typename T>
void WriteNumbers(JsonWriter& json, const char* key, const std::vector<T>& values) {
  json.Key(key).BeginArray();
  for (const T value : values) json.Integer(value);
  json.EndArray();
}

}  // namespace

void WriteChoiceFields(JsonWriter& json, const DividerPlan& plan, bool with_nc2_ls) {
  json.Key("vco_index").Integer(static_cast<std::int64_t>(plan.vco_index));
  json.Key("vco_hz").Number(plan.vco_hz);
  json.Key("dividers");
  WriteDividers(json, *plan.dividers, with_nc2_ls);
  WriteFrequencyFields(json, plan.values);
}

void WriteFrequencyPlan(JsonWriter& json, const FrequencyPlan& plan, std::size_t shown) {
  const CandidateTable& table = plan.table;
  const ExactSettingCheck check(plan.hz);
  json.BeginObject();
  json.Key("frequency_hz").Number(plan.hz);
  json.Key("candidate_count").Integer(static_cast<std::int64_t>(table.CandidateCount()));
  json.Key("candidates").BeginArray();
  for (std::size_t i = 0; i < shown && i < table.CandidateCount(); ++i) {
    json.BeginObject();
    json.Key("index").Integer(static_cast<std::int64_t>(i));
    json.Key("vco_hz").Number(2 * table.HalfVcoTable[i]);
    json.Key("exact").Bool(check.HasExactSetting(table.ProductTable[i]));
    json.EndObject();
  }
  json.EndArray();
  json.Key("choice");
  if (plan.plan) {
    json.BeginObject();
    WriteChoiceFields(json, plan.plan, false);
    WriteNumbers(json, "n1_hs_choices", plan.plan.n1_hs_choices);
    WriteNumbers(json, "n2_hs_choices", plan.plan.n2_hs_choices);
    WriteNumbers(json, "n2_ls_choices", plan.plan.n2_ls_choices);
    json.EndObject();
  } else {
    json.Null();
  }
  json.EndObject();
}

}  // namespace orvane
