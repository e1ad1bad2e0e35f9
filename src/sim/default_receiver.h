#pragma once

#include <memory>

#include "sim/receiver_stream.h"
#include "sim/sim_scenario.h"

namespace orvane {

// The receiver a simulated device carries unless a test hands it another, playing `scenario`.
std::unique_ptr<ReceiverStream> MakeDefaultReceiver(SimScenario scenario = SimScenario::kNone);

}  // namespace orvane
