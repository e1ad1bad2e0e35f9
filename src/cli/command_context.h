#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "access/clock_access.h"
#include "cli/share_map.h"

namespace orvane {

// Starts watching for Ctrl+C and SIGTERM; the function it returns tells whether one came, and
// the watch lasts as long as that function.
using StopWatchFactory = std::function<std::function<bool()>()>;

// What every subcommand works with: the clock, reached directly or through the service, and where
// its output goes.
struct CommandContext {
  ClockAccess& access;
  std::ostream& out;
  bool json = false;
  std::string serial;  // --serial; empty: the design's choice of clock
  StopWatchFactory watch_stop;
  std::string share_map = kShareMapPath;  // orvaned's serial → UBX share address file
};

}  // namespace orvane
