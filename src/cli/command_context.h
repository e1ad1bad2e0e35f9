#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "cli/share_map.h"
#include "engine/clock_session.h"

namespace orvane {

// Starts watching for Ctrl+C and SIGTERM; the function it returns tells whether one came, and
// the watch lasts as long as that function.
using StopWatchFactory = std::function<std::function<bool()>()>;

// What every subcommand works with: the session on the chosen backend and where its output goes.
struct CommandContext {
  ClockSession& session;
  std::ostream& out;
  bool json = false;
  std::string serial;  // --serial; empty: the design's choice of clock
  StopWatchFactory watch_stop;
  std::string share_map = kShareMapPath;  // orvaned's serial → UBX share address file
};

}  // namespace orvane
