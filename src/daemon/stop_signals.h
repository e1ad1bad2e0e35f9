#pragma once

#include <chrono>

#include "device/monotonic_clock.h"

namespace orvane {

// SIGTERM and SIGINT as a stop request the poll loop waits on (signalfd): nothing runs in a
// signal handler. Construct before any thread starts, so that every thread inherits the blocked
// signals and only this waiter takes them.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Waits until `clock` reaches `deadline`; false, at once, when a stop signal has come.
  bool WaitUntil(const MonotonicClock& clock, std::chrono::nanoseconds deadline);
  // The signal that asked to stop; 0 before one came.
  int signal() const { return signal_; }

 private:
  int fd_ = -1;
  int signal_ = 0;
};

}  // namespace orvane
