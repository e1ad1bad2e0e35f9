#include "frontend/sim_scenario_option.h"

namespace orvane {

std::string SimScenarioHelp() {
  return "The simulated receivers play scenario NAME: " + SimScenarioList() +
         " (implies one simulated clock)";
}

bool ApplySimScenarioOption(std::string_view name, BackendRequest& request, std::string* error) {
  const std::optional<SimScenario> scenario = SimScenarioNamed(name);
  if (!scenario) {
    *error =
        "--sim-scenario " + std::string(name) + ": no such scenario; one of " + SimScenarioList();
    return false;
  }
  request.scenario = *scenario;
  return true;
}

}  // namespace orvane
