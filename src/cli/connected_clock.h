#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "access/clock_access.h"

namespace orvane {

// One clock connected for the length of a command, as the window's start-up connects it
// (identity, configuration, status messages on), and left as its shutdown leaves it (directly:
// status messages off, handles closed; through the service: only this client's lease ends). Failing
// to connect is a CommandError: no clock or not the one named (3), no access or held by another
// program (4), no configuration (1).
class ConnectedClock {
 public:
  // The window's status-timer interval while a clock answers.
  static constexpr std::chrono::milliseconds kPollInterval{50};

  ConnectedClock(ClockAccess& access, const std::string& serial);
  ~ConnectedClock();
  ConnectedClock(const ConnectedClock&) = delete;
  ConnectedClock& operator=(const ConnectedClock&) = delete;

  const ClockIdentity& identity() const { return connection_.identity; }
  const DeviceConfiguration& configuration() const { return *connection_.configuration; }

  // The clock was put to sleep: it takes no more reports, so the shutdown sends none.
  void Slept() { asleep_ = true; }

  // One status tick, a poll interval after the last; a lost clock is a CommandError (1).
  PollResult Tick(const PollListener& listener = {});
  // Ticks until `done` holds (checked before every tick) or `limit` has passed since the call;
  // whether `done` held.
  bool TickUntil(std::chrono::nanoseconds limit, const std::function<bool()>& done,
                 const PollListener& listener = {});

 private:
  ClockAccess& access_;
  AccessConnection connection_;
  bool asleep_ = false;
};

// Seconds given on the command line as a duration; CommandError (2) naming `option` when
// negative or not finite.
std::chrono::nanoseconds SecondsOption(const char* option, double seconds);

}  // namespace orvane
