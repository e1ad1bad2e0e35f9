#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "control/json_value.h"
#include "control/poll_events.h"
#include "device/hid/hid_backend.h"
#include "engine/clock_session.h"
#include "engine/telemetry.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"

namespace orvane {

// One event line of a subscription: a service poll tick of the clock (`poll`), or the clock gone
// from the service or back in it.
struct ServiceEvent {
  enum class Kind { kPoll, kGone, kBack };
  Kind kind = Kind::kPoll;
  std::string serial;
  PollEvent poll;
};

// The event a line carries; nullopt when it is no event or not a well-formed one.
std::optional<ServiceEvent> DecodeServiceEvent(const JsonValue& line);

// Takes a poll event into `telemetry` as ClockSession::Poll takes the reports it read: the
// status, every report's stream bytes (to the listener first), then the PLL reference.
PollResult TakePollEvent(const PollEvent& event, Telemetry& telemetry,
                         const PollListener& listener);

}  // namespace orvane
