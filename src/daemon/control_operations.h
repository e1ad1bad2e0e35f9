#pragma once

#include <string>

#include "control/control_protocol.h"
#include "daemon/control_server.h"
#include "daemon/served_clock.h"
#include "service/journal_log.h"

namespace orvane {

// The reply line to a request that changes a clock (output, drive, blink, constellations,
// register, correction, sleep, program), run on `clock` while its worker lets no tick in. The
// arguments are checked by the rules every front end uses before anything is sent; each change
// goes to the journal with the peer's uid ("uid 1000 programmed G60031 to 10000000 Hz"), and the
// stored configuration is read again, so that the service's metrics and logs show it.
std::string RunClockChange(ServedClock& clock, const ControlRequest& request,
                           const ControlPeer& peer, JournalLog& log);

// Whether RunClockChange answers the operation.
bool IsServedChange(const OperationSpec& operation);

}  // namespace orvane
