#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/json_value.h"
#include "device/hid/hid_backend.h"
#include "engine/clock_session.h"
#include "engine/telemetry.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"

namespace orvane {

// One event line of a subscription: a service poll tick of the clock, or the clock gone from the
// service or back in it.
struct ServiceEvent {
  enum class Kind { kPoll, kGone, kBack };
  struct StreamReport {
    std::vector<std::uint8_t> stream;  // the report's receiver stream bytes
    ReceiveTime received;
  };

  Kind kind = Kind::kPoll;
  std::string serial;
  PollOutcome outcome = PollOutcome::kNothingYet;
  std::optional<ReportStatus> status;
  std::optional<PllReferenceCounts> pll_reference;
  std::vector<StreamReport> reports;  // in the order the clock sent them
};

// The event a line carries; nullopt when it is no event or not a well-formed one.
std::optional<ServiceEvent> DecodeServiceEvent(const JsonValue& line);

// Takes a poll event into `telemetry` as ClockSession::Poll takes the reports it read: the
// status, every report's stream bytes (to the listener first), then the PLL reference.
PollResult TakePollEvent(const ServiceEvent& event, Telemetry& telemetry,
                         const PollListener& listener);

}  // namespace orvane
