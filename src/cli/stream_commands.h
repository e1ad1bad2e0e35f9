#pragma once

#include <string>

#include "cli/command_context.h"

namespace orvane {

// `monitor`: a status line (or JSON line) every `interval_s`, until `count` lines (0: no limit)
// or Ctrl+C/SIGTERM; the receiver's status messages are off again at the end.
void RunMonitor(CommandContext& context, double interval_s, long count);

// `record`: the receiver's stream to `path` for `duration_s` (0: until Ctrl+C/SIGTERM). Only
// complete checksum-valid frames, rebuilt byte for byte, unless `raw`: then every stream byte as
// received. The file replays with --sim-ubx.
void RunRecord(CommandContext& context, const std::string& path, double duration_s, bool raw);

}  // namespace orvane
