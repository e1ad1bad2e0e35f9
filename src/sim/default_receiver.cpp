#include "sim/default_receiver.h"

#include <chrono>

#include "sim/receiver_model.h"

namespace orvane {

std::unique_ptr<ReceiverStream> MakeDefaultReceiver(SimScenario scenario) {
  // Starts on the host's UTC time, so the clock it reports is plausibly today's.
  constexpr std::uint64_t kSeed = 1;
  return std::make_unique<ReceiverModel>(
      kSeed,
      std::chrono::time_point_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now()),
      scenario);
}

}  // namespace orvane
