#include "engine/frequency_programming.h"

#include <algorithm>

#include "engine/divider_fields.h"
#include "engine/number_text.h"
#include "freqplan/divider_choices.h"
#include "freqplan/divider_model.h"
#include "freqplan/exact_setting.h"

namespace orvane {
namespace {

template <typename T>
std::optional<T> Choose(const std::vector<T>& choices, const std::optional<T>& wanted,
                        const char* name, std::string& why_not) {
  if (choices.empty()) {
    why_not = std::string("no ") + name + " gives an exact setting";
    return std::nullopt;
  }
  if (!wanted) return choices.front();
  if (std::find(choices.begin(), choices.end(), *wanted) != choices.end()) return wanted;
  why_not = std::string(name) + " " + std::to_string(*wanted) + " is not among the choices";
  return std::nullopt;
}

// The first entry with an exact setting; entry 0 when there is none.
std::size_t FirstExactEntry(double fout, const CandidateTable& table) {
  const ExactSettingCheck check(fout);
  for (std::size_t i = 0; i < table.CandidateCount(); ++i) {
    if (check.HasExactSetting(table.ProductTable[i])) return i;
  }
  return 0;
}

// The first N2_HS that offers an N2_LS; nullopt when none does.
std::optional<int> FirstExactN2Hs(const VcoEntry& entry, const std::vector<int>& choices) {
  for (const int h : choices) {
    if (!entry.N2LsChoices(h).empty()) return h;
  }
  return std::nullopt;
}

}  // namespace

std::vector<int> VcoEntry::N1HsChoices() const { return OutputHsChoices(fout, product); }

std::vector<int> VcoEntry::N2HsChoices() const { return FeedbackHsChoices(half_vco()); }

std::vector<std::int32_t> VcoEntry::N2LsChoices(int n2_hs) const {
  return FeedbackLsChoices(half_vco(), n2_hs);
}

double VcoEntry::Nc1Ls(int n1_hs) const { return OutputLsDivider(product, n1_hs); }

double VcoEntry::F3(double n2_hs, double n2_ls) const { return ChosenF3(half_vco(), n2_hs, n2_ls); }

bool F3BelowThreshold(double f3) { return f3 < kF3Threshold; }

std::string F3ThresholdText() { return FormatGeneral(kF3Threshold / 1000) + " kHz"; }

DividerPlan PlanDividers(double fout, const CandidateTable& table, const DividerRequest& request) {
  DividerPlan plan;
  plan.vco_index = request.vco_index.value_or(
      request.first_exact && !request.vco_index ? FirstExactEntry(fout, table) : 0);
  if (plan.vco_index >= table.CandidateCount()) {
    plan.why_not = "VCO entry " + std::to_string(plan.vco_index) + " is not in the list of " +
                   std::to_string(table.CandidateCount());
    return plan;
  }
  const VcoEntry entry{fout, table.ProductTable[plan.vco_index]};
  plan.vco_hz = table.HalfVcoTable[plan.vco_index] * 2;
  plan.n1_hs_choices = entry.N1HsChoices();
  plan.n2_hs_choices = entry.N2HsChoices();
  std::optional<int> wanted_n2_hs = request.n2_hs;
  if (!wanted_n2_hs && request.first_exact) {
    wanted_n2_hs = FirstExactN2Hs(entry, plan.n2_hs_choices);
  }
  const std::optional<int> n1_hs = Choose(plan.n1_hs_choices, {}, "N1_HS", plan.why_not);
  const std::optional<int> n2_hs = Choose(plan.n2_hs_choices, wanted_n2_hs, "N2_HS", plan.why_not);
  if (!n1_hs || !n2_hs) return plan;
  plan.n2_ls_choices = entry.N2LsChoices(*n2_hs);
  const std::optional<std::int32_t> n2_ls =
      Choose(plan.n2_ls_choices, request.n2_ls, "N2_LS", plan.why_not);
  if (!n2_ls) return plan;

  // Every choice is exact, so F3 and NC1_LS are whole numbers within their fields' ranges.
  PllDividers dividers{.gps = static_cast<std::uint32_t>(*RoundToInt32(entry.F3(*n2_hs, *n2_ls))),
                       .n31 = 1,
                       .n2_hs = static_cast<std::uint32_t>(*n2_hs),
                       .n2_ls = static_cast<std::uint32_t>(*n2_ls),
                       .n1_hs = static_cast<std::uint32_t>(*n1_hs),
                       .nc1_ls = static_cast<std::uint32_t>(*RoundToInt32(entry.Nc1Ls(*n1_hs))),
                       .nc2_ls = request.nc2_ls,
                       .bw = request.bw};
  CheckDividers(dividers);
  plan.dividers = dividers;
  plan.values = FrequencyValuesOf(dividers);
  return plan;
}

std::string NoExactSettingText(double fout, const CandidateTable& table, std::size_t vco_index) {
  const std::string wanted = FormatGeneral(fout) + " Hz";
  const std::size_t count = table.CandidateCount();
  const std::string none = "No exact divider setting exists for " + wanted;
  if (vco_index >= count) return none;
  const std::string entry =
      "[" + std::to_string(vco_index) + "] " + FormatGeneral(table.HalfVcoTable[vco_index] * 2);
  const ExactSettingCheck check(fout);
  if (check.HasExactSetting(table.ProductTable[vco_index])) {
    return "The first N2_HS for the VCO frequency " + entry + " has no exact N2_LS for " + wanted +
           ". Try another N2_HS in the list";
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (i != vco_index && check.HasExactSetting(table.ProductTable[i])) {
      return "The VCO frequency " + entry + " has no exact divider setting for " + wanted +
             ". Try another VCO frequency in the list";
    }
  }
  return none;
}

}  // namespace orvane
