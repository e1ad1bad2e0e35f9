#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "access/service_socket.h"
#include "cli/command_context.h"
#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "frontend/backend_choice.h"

namespace orvane {

// Everything orvanectl takes from its process, so that tests run it in-process on simulated
// clocks and a manual clock.
struct CliEnvironment {
  MonotonicClock& clock;
  std::ostream& out;
  std::ostream& err;
  // The clocks the global options ask for; nullptr with the reason in `error`. The program uses
  // MakeBackend.
  std::function<std::unique_ptr<HidBackend>(const BackendRequest& request, TraceLog& trace,
                                            std::string& error)>
      make_backend;
  StopWatchFactory watch_stop;
  std::string share_map = kShareMapPath;
  // The control socket tried without --service or --direct (ControlSocketPath).
  std::string control_socket = kDefaultControlSocket;
};

// Runs orvanectl with `args` (the program name left out) and returns its exit status (ExitCode).
int RunOrvanectl(const std::vector<std::string>& args, const CliEnvironment& environment);

}  // namespace orvane
