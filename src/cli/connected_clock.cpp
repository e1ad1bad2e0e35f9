#include "cli/connected_clock.h"

#include <algorithm>
#include <cmath>

#include "cli/exit_codes.h"
#include "engine/clock_problem.h"

namespace orvane {
namespace {

std::string SerialList(const std::vector<AttachedClock>& clocks) {
  std::string list;
  for (const AttachedClock& clock : clocks) list += (list.empty() ? "" : ", ") + clock.serial;
  return list;
}

}  // namespace

ConnectedClock::ConnectedClock(ClockAccess& access, const std::string& serial) : access_(access) {
  const std::vector<AttachedClock> clocks = access.ListClocks();
  if (clocks.empty()) throw CommandError(ExitCode::kNoClock, "no clock is attached");
  const bool named = std::any_of(clocks.begin(), clocks.end(), [&](const AttachedClock& clock) {
    return clock.serial == serial;
  });
  if (!serial.empty() && !named) {
    throw CommandError(ExitCode::kNoClock, "no clock with serial number " + serial +
                                               " is attached (attached: " + SerialList(clocks) +
                                               ")");
  }
  connection_ = access.Connect(serial);
  if (!connection_.open.opened) {
    if (!connection_.open.denied_path.empty()) {
      throw CommandError(ExitCode::kCannotOpen,
                         "the clock at " + connection_.open.denied_path +
                             " is attached but cannot be opened: permission denied. Install the "
                             "udev rule (70-orvane.rules) and plug the clock in again.");
    }
    if (!connection_.open.busy_path.empty()) {
      throw CommandError(ExitCode::kCannotOpen, "the clock at " + connection_.open.busy_path +
                                                    " is attached but cannot be opened: " +
                                                    ClockProblemText(connection_.open, true));
    }
    throw CommandError(ExitCode::kCannotOpen, "the clock is attached but cannot be opened");
  }
  if (!connection_.usable) {
    throw CommandError(ExitCode::kDeviceFailed,
                       "the clock's reports are too short for this program");
  }
  if (!connection_.configuration) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock did not return its configuration");
  }
}

ConnectedClock::~ConnectedClock() { access_.Disconnect(asleep_); }

PollResult ConnectedClock::Tick(const PollListener& listener) {
  const PollResult result = access_.Tick(listener);
  if (result.outcome == PollOutcome::kLost || result.outcome == PollOutcome::kNotOpen) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock was lost");
  }
  return result;
}

bool ConnectedClock::TickUntil(std::chrono::nanoseconds limit, const std::function<bool()>& done,
                               const PollListener& listener) {
  const std::chrono::nanoseconds start = access_.clock().Now();
  while (!done()) {
    if (access_.clock().Now() - start >= limit) return false;
    Tick(listener);
  }
  return true;
}

std::chrono::nanoseconds SecondsOption(const char* option, double seconds) {
  if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e9) {
    throw CommandError(ExitCode::kBadInput,
                       std::string(option) + " takes a number of seconds, 0 or more");
  }
  return std::chrono::nanoseconds(static_cast<std::int64_t>(std::llround(seconds * 1e9)));
}

}  // namespace orvane
