#pragma once

// orvanectl in-process with nothing but a service to reach: opening a clock directly fails with
// "opened the clock directly", so a command that should go through the service cannot pass
// without it.
#include <ostream>
#include <string>

#include "cli/app.h"

namespace orvane::testing_support {

inline CliEnvironment ServiceOnlyEnvironment(const std::string& socket, MonotonicClock& clock,
                                             std::ostream& out, std::ostream& err,
                                             StopWatchFactory watch_stop) {
  return {
      .clock = clock,
      .out = out,
      .err = err,
      .make_backend = [](const BackendRequest&, TraceLog&,
                         std::string& error) -> std::unique_ptr<HidBackend> {
        error = "opened the clock directly";
        return nullptr;
      },
      .watch_stop = std::move(watch_stop),
      .share_map = "/nonexistent/ubx-share",
      .control_socket = socket,
  };
}

}  // namespace orvane::testing_support
