#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "cli/command_context.h"
#include "engine/divider_fields.h"

namespace orvane {

// A frequency and the exact setting chosen for it, as typed; what is not chosen is the first
// VCO entry and N2_HS that give an exact setting.
struct FrequencyRequest {
  std::string hz;
  std::optional<std::size_t> vco_index;
  std::optional<int> n2_hs;
  std::optional<std::int32_t> n2_ls;
  std::string bw = "15";  // what the window's search sets
};

// `plan`: the VCO candidates (the first `limit`, or all) and the divider choices of the chosen
// one; no clock needed. No exact setting: CommandError (2) after the table.
void RunPlan(std::ostream& out, bool json, const FrequencyRequest& request, bool all,
             std::size_t limit);

// `set-frequency`: plans as `plan` does, programs the set as the window does (twice), then waits
// up to `wait_s` for the PLL to report lock; no lock is a CommandError (1).
void RunSetFrequency(CommandContext& context, const FrequencyRequest& request, double wait_s);

// `program`: a divider set as typed, through the window's field check; a value the check would
// change is refused (2) with the value it accepts.
void RunProgram(CommandContext& context, const DividerTexts& texts);

}  // namespace orvane
