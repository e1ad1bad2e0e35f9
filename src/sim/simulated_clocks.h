#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/monotonic_clock.h"
#include "sim/sim_scenario.h"
#include "sim/simulated_backend.h"

namespace orvane {

// How many simulated clocks a front end may ask for.
inline constexpr int kMaxSimulatedClocks = 9;

// `count` simulated clocks with serials G60031, G60032, ..., each replaying `capture` as its
// receiver's stream when one is given, else playing `scenario`: what `--simulate`, `--sim-ubx`
// and `--sim-scenario` stand for in every front end.
std::unique_ptr<SimulatedBackend> MakeSimulatedClocks(
    MonotonicClock& clock, int count, std::shared_ptr<const std::vector<std::uint8_t>> capture,
    SimScenario scenario = SimScenario::kNone);

}  // namespace orvane
