#pragma once

#include <string>

#include "engine/ubx_messages.h"

namespace orvane {

// The host's system clock, as far as the receiver's UTC time may set it.
class HostClock {
 public:
  virtual ~HostClock() = default;
  // Sets the clock to `time` (UTC). Returns what came of it for the trace: "ok", the refusal
  // ("EPERM", ...) or "simulated". A refusal is not an error for the program: it keeps running.
  virtual std::string Set(const UtcTime& time) = 0;
};

// For simulated devices: their receivers' times must never reach the real clock.
class SimulatedHostClock : public HostClock {
 public:
  std::string Set(const UtcTime&) override { return "simulated"; }
};

// Through orvaned: the service owns the clock and feeds the host's time (chrony) itself, and its
// clock may well be a simulated one.
class ServiceHostClock : public HostClock {
 public:
  std::string Set(const UtcTime&) override { return "left to orvaned"; }
};

// The time as the trace shows it: YYYY-MM-DDTHH:MM:SS.mmm.
std::string UtcTimeText(const UtcTime& time);

}  // namespace orvane
