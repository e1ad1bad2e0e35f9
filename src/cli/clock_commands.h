#pragma once

#include "cli/command_context.h"

namespace orvane {

// `list`: every attached clock and whether it can be used. No clock: CommandError (3).
void RunList(CommandContext& context);

// `show`: identity, stored configuration and live status of one clock; waits up to `wait_s` for
// the receiver's clock and satellite messages (0: one status tick only).
void RunShow(CommandContext& context, double wait_s);

}  // namespace orvane
