#include "cli/frequency_commands.h"

#include <cmath>
#include <iomanip>

#include "cli/connected_clock.h"
#include "cli/divider_output.h"
#include "cli/exit_codes.h"
#include "cli/text_layout.h"
#include "control/json_writer.h"
#include "control/plan_values.h"
#include "engine/frequency_plan.h"
#include "engine/input_checks.h"
#include "engine/number_text.h"
#include "freqplan/exact_setting.h"

namespace orvane {
namespace {

// Stands in for the clock's NC2_LS while no clock is asked: plan shows no NC2_LS.
constexpr std::uint32_t kNoStoredNc2Ls = 2;

double CheckedFrequency(const std::string& text) {
  const std::optional<double> hz = ParseNumber(text);
  if (!hz || CheckOutputFrequency(text) == FrequencyVerdict::kNotANumber) {
    throw CommandError(ExitCode::kBadInput, "HZ \"" + text +
                                                "\" is not a number: type the output "
                                                "frequency in Hz, for example 10000000");
  }
  if (auto refusal = FrequencyRangeRefusal(*hz, text)) {
    throw CommandError(ExitCode::kBadInput, *refusal);
  }
  return *hz;
}

std::uint8_t CheckedBandwidth(const std::string& bw) {
  const std::optional<std::uint8_t> byte = WholeByte(bw);
  if (!byte) {
    throw CommandError(
        ExitCode::kBadInput,
        "--bw \"" + bw + "\" is not accepted: BW must be a whole number from 0 to 255");
  }
  return *byte;
}

DividerRequest RequestOf(const FrequencyRequest& request, std::uint32_t nc2_ls) {
  return {.vco_index = request.vco_index,
          .n2_hs = request.n2_hs,
          .n2_ls = request.n2_ls,
          .first_exact = true,
          .bw = CheckedBandwidth(request.bw),
          .nc2_ls = nc2_ls};
}

// The plan for a checked request; CommandError (2) when it has no exact setting.
DividerPlan PlanOrRefuse(double hz, const CandidateTable& table, const FrequencyRequest& request,
                         std::uint32_t nc2_ls) {
  DividerPlan plan = PlanDividers(hz, table, RequestOf(request, nc2_ls));
  if (!plan) throw CommandError(ExitCode::kBadInput, NoSettingText(hz, plan.why_not));
  return plan;
}

template <typename T>
std::string NumbersText(const std::vector<T>& values) {
  std::string text;
  for (const T value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
  return text.empty() ? "none" : text;
}

void PrintChoice(std::ostream& out, const DividerPlan& plan, bool with_nc2_ls) {
  LabelledLine(out, "VCO",
               "[" + std::to_string(plan.vco_index) + "] " + FormatGeneral(plan.vco_hz) + " Hz");
  LabelledLine(out, "Dividers", DividersText(*plan.dividers, with_nc2_ls));
  LabelledLine(out, "Frequency", FrequenciesText(plan.values));
}

}  // namespace

void RunPlan(std::ostream& out, bool json_output, const FrequencyRequest& request, bool all,
             std::size_t limit) {
  const double hz = CheckedFrequency(request.hz);
  const FrequencyPlan planned = PlanFrequency(hz, RequestOf(request, kNoStoredNc2Ls));
  const CandidateTable& table = planned.table;
  const DividerPlan& plan = planned.plan;
  const std::size_t shown = all ? table.CandidateCount() : std::min(limit, table.CandidateCount());
  const ExactSettingCheck check(hz);

  if (json_output) {
    JsonWriter json(out);
    WriteFrequencyPlan(json, planned, shown);
    out << '\n';
  } else {
    out << "VCO candidates for " << FormatGeneral(hz) << " Hz: " << table.CandidateCount()
        << (shown < table.CandidateCount() ? " (first " + std::to_string(shown) +
                                                 ", --all for "
                                                 "every one)"
                                           : std::string())
        << "\n";
    out << std::right << std::setw(7) << "INDEX" << std::setw(18) << "VCO HZ"
        << "  EXACT\n";
    for (std::size_t i = 0; i < shown; ++i) {
      out << std::setw(7) << i << std::setw(18) << FormatGeneral(2 * table.HalfVcoTable[i])
          << (check.HasExactSetting(table.ProductTable[i]) ? "  yes" : "  no") << "\n";
    }
    if (plan) {
      out << "\n";
      PrintChoice(out, plan, false);
      LabelledLine(out, "N1_HS choices", NumbersText(plan.n1_hs_choices));
      LabelledLine(out, "N2_HS choices", NumbersText(plan.n2_hs_choices));
      LabelledLine(out, "N2_LS choices", NumbersText(plan.n2_ls_choices));
      LabelledLine(out, "NC2_LS", "stays as the clock stores it");
    }
  }
  if (!plan) throw CommandError(ExitCode::kBadInput, NoSettingText(hz, plan.why_not));
}

void RunSetFrequency(CommandContext& context, const FrequencyRequest& request, double wait_s) {
  const double hz = CheckedFrequency(request.hz);
  CheckedBandwidth(request.bw);
  const std::chrono::nanoseconds wait = SecondsOption("--wait", wait_s);
  CandidateTable table;
  FindOutputCandidates(hz, table);
  PlanOrRefuse(hz, table, request, kNoStoredNc2Ls);  // everything is checked before connecting

  ConnectedClock clock(context.access, context.serial);
  const std::uint32_t stored_nc2_ls = clock.configuration().dividers.nc2_ls;
  DividerPlan plan = PlanOrRefuse(hz, table, request, stored_nc2_ls);
  clock.Tick();  // takes in what the clock said before it was programmed
  const std::optional<PllDividers> programmed =
      context.access.SetFrequency({hz, RequestOf(request, stored_nc2_ls), *plan.dividers});
  if (!programmed) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock refused the PLL configuration");
  }
  // The service plans with the NC2_LS the clock holds when it programs: show what it chose.
  if (programmed->nc2_ls != stored_nc2_ls) {
    plan = PlanOrRefuse(hz, table, request, programmed->nc2_ls);
  }
  MonotonicClock& time = context.access.clock();
  const std::chrono::nanoseconds programmed_at = time.Now();
  // Reports already on their way when the set went out may still speak of the old lock.
  clock.Tick();
  const Telemetry& telemetry = context.access.telemetry();
  const bool locked = clock.TickUntil(wait, [&] { return telemetry.pll_locked(); });
  const double lock_s = std::chrono::duration<double>(time.Now() - programmed_at).count();

  if (context.json) {
    JsonWriter json(context.out);
    json.BeginObject();
    json.Key("frequency_hz").Number(hz);
    WriteChoiceFields(json, plan, true);
    json.Key("locked").Bool(locked);
    json.Key("lock_s");
    if (locked) {
      json.Number(lock_s);
    } else {
      json.Null();
    }
    json.EndObject();
    context.out << '\n';
  } else {
    PrintChoice(context.out, plan, true);
    LabelledLine(context.out, "PLL",
                 locked ? "locked after " + FormatGeneral(std::round(lock_s * 100) / 100) + " s"
                        : "not locked within " + FormatGeneral(wait_s) + " s");
  }
  if (!locked) {
    throw CommandError(ExitCode::kDeviceFailed,
                       "the PLL did not report lock within " + FormatGeneral(wait_s) + " s");
  }
}

void RunProgram(CommandContext& context, const DividerTexts& texts) {
  struct Field {
    const char* option;
    std::string DividerTexts::*text;
  };
  static constexpr Field kFields[] = {
      {"--gps", &DividerTexts::gps},      {"--n31", &DividerTexts::n31},
      {"--n2hs", &DividerTexts::n2_hs},   {"--n2ls", &DividerTexts::n2_ls},
      {"--n1hs", &DividerTexts::n1_hs},   {"--nc1ls", &DividerTexts::nc1_ls},
      {"--nc2ls", &DividerTexts::nc2_ls},
  };
  DividerTexts checked = texts;
  CheckDividerFields(checked);
  for (const Field& field : kFields) {
    const std::string& typed = texts.*field.text;
    const std::optional<double> value = ParseNumber(typed);
    if (!value) {
      throw CommandError(ExitCode::kBadInput,
                         std::string(field.option) + " \"" + typed + "\" is not a number");
    }
    if (*value != ParseNumber(checked.*field.text)) {
      throw CommandError(ExitCode::kBadInput, std::string(field.option) + " " + typed +
                                                  " is not accepted: the nearest value the PLL "
                                                  "accepts is " +
                                                  checked.*field.text);
    }
  }
  CheckedBandwidth(texts.bw);
  const std::optional<PllDividers> dividers = DividersFromTexts(checked);
  if (!dividers) throw CommandError(ExitCode::kBadInput, "the divider set cannot be sent");

  ConnectedClock clock(context.access, context.serial);
  if (!context.access.ProgramPll(*dividers)) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock refused the PLL configuration");
  }
  const FrequencyValues values = FrequencyValuesOf(*dividers);
  if (context.json) {
    JsonWriter json(context.out);
    json.BeginObject().Key("dividers");
    WriteDividers(json, *dividers);
    WriteFrequencyFields(json, values);
    json.EndObject();
    context.out << '\n';
  } else {
    LabelledLine(context.out, "Dividers", DividersText(*dividers));
    LabelledLine(context.out, "Frequency", FrequenciesText(values));
  }
}

}  // namespace orvane
