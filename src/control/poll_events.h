#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/hid_backend.h"
#include "engine/clock_session.h"

namespace orvane {

// What one of the service's polls of a clock found, as its subscribers get it.
struct PollEvent {
  PollOutcome outcome = PollOutcome::kNotOpen;
  std::optional<ReportStatus> status;
  std::optional<PllReferenceCounts> pll_reference;
  struct Report {
    std::vector<std::uint8_t> stream;  // the receiver stream bytes of one flagged report
    ReceiveTime received;
  };
  std::vector<Report> reports;
};

// Event lines (newline included), told apart from replies by their "event" member:
// {"event":"poll","serial":S,"outcome":"reports"|"nothing-yet"|"lost","status":{...}|null,
//  "pll_reference":{"count1":N,"count2":N}|null,
//  "reports":[{"realtime_ns":N,"monotonic_ns":N,"stream":"b562..."}]}
std::string PollEventLine(const std::string& serial, const PollEvent& event);
// {"event":"gone","serial":S} when the service loses the clock, {"event":"back",...} when it
// serves it again.
std::string ClockEventLine(const std::string& event, const std::string& serial);

}  // namespace orvane
