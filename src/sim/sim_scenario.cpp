#include "sim/sim_scenario.h"

namespace orvane {

std::string_view SimScenarioName(SimScenario scenario) {
  switch (scenario) {
    case SimScenario::kNone:
      return "";
    case SimScenario::kOutage:
      return "outage";
    case SimScenario::kLeapInsert:
      return "leap-insert";
    case SimScenario::kLeapDelete:
      return "leap-delete";
    case SimScenario::kRollover:
      return "rollover";
    case SimScenario::kNoTimeUtc:
      return "no-timeutc";
  }
  return "";
}

std::optional<SimScenario> SimScenarioNamed(std::string_view name) {
  for (SimScenario scenario : kSimScenarios) {
    if (SimScenarioName(scenario) == name) return scenario;
  }
  return std::nullopt;
}

std::string SimScenarioList() {
  std::string list;
  for (SimScenario scenario : kSimScenarios) {
    if (!list.empty()) list += ", ";
    list += SimScenarioName(scenario);
  }
  return list;
}

}  // namespace orvane
