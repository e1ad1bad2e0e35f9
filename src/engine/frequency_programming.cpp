#include "engine/frequency_programming.h"

#include <algorithm>

#include "engine/number_text.h"
#include "freqplan/divider_choices.h"

namespace orvane {
namespace {

template <typename T>
std::optional<T> Choose(const std::vector<T>& choices, const std::optional<T>& wanted,
                        const char* name, std::string* why_not) {
  if (choices.empty()) {
    *why_not = std::string("no ") + name + " gives an exact setting";
    return std::nullopt;
  }
  if (!wanted) return choices.front();
  if (std::find(choices.begin(), choices.end(), *wanted) != choices.end()) return wanted;
  *why_not = std::string(name) + " " + std::to_string(*wanted) + " is not among the choices";
  return std::nullopt;
}

}  // namespace

std::optional<PlannedDividers> PlanDividers(double fout, const CandidateTable& table,
                                            const DividerRequest& request, std::string* why_not) {
  std::string reason;
  if (why_not == nullptr) why_not = &reason;
  if (request.vco_index >= table.CandidateCount()) {
    *why_not = "VCO entry " + std::to_string(request.vco_index) + " is not in the list of " +
               std::to_string(table.CandidateCount());
    return std::nullopt;
  }
  const double half_vco = table.HalfVcoTable[request.vco_index];
  const std::int32_t product = table.ProductTable[request.vco_index];
  PlannedDividers plan;
  plan.vco_hz = half_vco * 2;
  plan.n1_hs_choices = OutputHsChoices(fout, product);
  plan.n2_hs_choices = FeedbackHsChoices(half_vco);
  const std::optional<int> n1_hs =
      Choose(plan.n1_hs_choices, std::optional<int>(), "N1_HS", why_not);
  const std::optional<int> n2_hs = Choose(plan.n2_hs_choices, request.n2_hs, "N2_HS", why_not);
  if (!n1_hs || !n2_hs) return std::nullopt;
  plan.n2_ls_choices = FeedbackLsChoices(half_vco, *n2_hs);
  const std::optional<std::int32_t> n2_ls =
      Choose(plan.n2_ls_choices, request.n2_ls, "N2_LS", why_not);
  if (!n2_ls) return std::nullopt;

  // The texts the lists and computed boxes hold, copied into the fields as the window does.
  plan.texts = {.gps = FormatGeneral(ChosenF3(half_vco, *n2_hs, *n2_ls)),
                .n31 = "1",
                .n2_hs = std::to_string(*n2_hs),
                .n2_ls = std::to_string(*n2_ls),
                .n1_hs = std::to_string(*n1_hs),
                .nc1_ls = FormatGeneral(OutputLsDivider(product, *n1_hs)),
                .nc2_ls = request.nc2_ls,
                .bw = request.bw};
  CheckDividerFields(plan.texts);
  const std::optional<PllDividers> dividers = DividersFromTexts(plan.texts);
  const std::optional<FrequencyDisplays> displays = FrequencyDisplayTexts(plan.texts);
  if (!dividers || !displays) {
    *why_not = "BW must be a whole number from 0 to 255";
    return std::nullopt;
  }
  plan.dividers = *dividers;
  plan.displays = *displays;
  return plan;
}

}  // namespace orvane
