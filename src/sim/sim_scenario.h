#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// A situation the simulated receiver plays, to see what the programs make of it.
enum class SimScenario {
  kNone,
  kOutage,      // the GNSS signal is lost for a minute, 30 s after power-up, then back
  kLeapInsert,  // NAV-TIMELS announces a leap second inserted at the next end of June/December
  kLeapDelete,  // ... deleted
  kRollover,    // dates 1024 weeks early, as after a GPS week-number rollover
  kNoTimeUtc,   // NAV-TIMEUTC never comes, whatever the host asks
};
inline constexpr std::array kSimScenarios = {SimScenario::kOutage, SimScenario::kLeapInsert,
                                             SimScenario::kLeapDelete, SimScenario::kRollover,
                                             SimScenario::kNoTimeUtc};

// The name `--sim-scenario` takes ("outage", "leap-insert", ...); "" for kNone.
std::string_view SimScenarioName(SimScenario scenario);
std::optional<SimScenario> SimScenarioNamed(std::string_view name);
// "outage, leap-insert, ..." for help texts and messages.
std::string SimScenarioList();

}  // namespace orvane
