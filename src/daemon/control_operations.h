#pragma once

#include <string>

#include "control/control_protocol.h"
#include "daemon/control_server.h"
#include "daemon/served_clock.h"
#include "engine/frequency_programming.h"
#include "service/journal_log.h"

namespace orvane {

// The reply line to a request that changes a clock (output, drive, blink, constellations,
// register, correction, sleep, program, set-frequency, serial, factory-defaults), run whole on
// the clock's worker between two polls. set-frequency reads the stored NC2_LS and plans as
// orvanectl does; correction without "ppb" stores the receiver's drift estimate. The
// arguments are checked by the rules every front end uses before anything is sent; each change
// goes to the journal with the peer's uid ("uid 1000 programmed G60031 to 10000000 Hz"), and the
// stored configuration is read again, so that the service's metrics and logs show it.
std::string RunClockChange(ServedClock& clock, const ControlRequest& request,
                           const ControlPeer& peer, JournalLog& log);

// The divider choice of a `plan` or `set-frequency` request (vco, n2hs, n2ls, bw); nullopt when
// bw is not a byte.
std::optional<DividerRequest> DividerRequestOf(const ControlRequest& request);

}  // namespace orvane
