#pragma once

#include <string>
#include <string_view>

#include "frontend/backend_choice.h"

namespace orvane {

// `--sim-scenario NAME`, the same in every program: its help text, and reading NAME into
// `request` (which then asks for simulated clocks). False with the message when NAME is unknown.
std::string SimScenarioHelp();
bool ApplySimScenarioOption(std::string_view name, BackendRequest& request, std::string* error);

}  // namespace orvane
