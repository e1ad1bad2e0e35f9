// orvanectl: the Orvane USB GNSS reference clock from a terminal and from scripts.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/app.h"
#include "cli/termination_watch.h"
#include "device/monotonic_clock.h"
#include "frontend/backend_choice.h"

int main(int argc, char** argv) {
  orvane::SteadyClock clock;
  const orvane::CliEnvironment environment{
      .clock = clock,
      .out = std::cout,
      .err = std::cerr,
      .make_backend =
          [&clock](const orvane::BackendRequest& request, orvane::TraceLog& trace,
                   std::string& error) {
            return orvane::MakeBackend(request, clock, trace, error);
          },
      .watch_stop =
          [] {
            auto watch = std::make_shared<orvane::TerminationWatch>();
            return std::function<bool()>([watch] { return watch->Requested(); });
          },
      .control_socket = orvane::ControlSocketPath(std::getenv("ORVANE_CONTROL_SOCKET")),
  };
  return orvane::RunOrvanectl(std::vector<std::string>(argv + 1, argv + argc), environment);
}
