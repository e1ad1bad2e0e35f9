#pragma once

namespace orvane {

// Tells a command that runs until stopped that SIGINT or SIGTERM arrived. The handler only writes
// a byte to a pipe (async-signal-safe); the command looks at the pipe between poll ticks. The
// previous handlers come back when the watch ends. One watch at a time.
class TerminationWatch {
 public:
  TerminationWatch();
  ~TerminationWatch();
  TerminationWatch(const TerminationWatch&) = delete;
  TerminationWatch& operator=(const TerminationWatch&) = delete;

  // Whether a signal has arrived since the watch began; never waits.
  bool Requested();

 private:
  bool requested_ = false;
};

}  // namespace orvane
