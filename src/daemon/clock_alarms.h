#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "daemon/alarm_detector.h"
#include "daemon/command_runner.h"
#include "daemon/served_clock.h"

namespace orvane {

// How often each alarm was raised for one clock, by event name; every name is present.
using AlarmCounts = std::map<std::string, std::uint64_t>;

// The alarms of every clock the daemon has served: detection, the warning log line, the counts
// and the alarm command. Outlives the clocks' comings and goings, so that a clock that leaves
// and comes back raises device_gone and device_back and keeps its counts.
class ClockAlarms {
 public:
  // `accuracy_limit_ppb` unset: accuracy is not watched; `command` empty: no command is run.
  ClockAlarms(MonotonicClock& clock, JournalLog& log, std::optional<double> accuracy_limit_ppb,
              std::vector<std::string> command);

  // Looks at the clock after its tick, connected or not; raises what changed.
  void Check(const ServedClock& clock);
  // Tends the alarm commands; returns the monotonic time of the next call.
  std::chrono::nanoseconds Poll();
  // Lets running commands finish briefly, then kills them.
  void Stop();
  // The counts of a clock; empty for one never connected.
  const AlarmCounts& counts(const std::string& serial) const;

 private:
  struct Watched {
    AlarmDetector detector;
    AlarmCounts counts;
  };

  void Raise(const std::string& serial, Watched& watched, const Alarm& alarm);

  MonotonicClock& clock_;
  JournalLog& log_;
  const std::optional<double> accuracy_limit_ppb_;
  std::unique_ptr<CommandRunner> runner_;  // null without a command
  std::map<std::string, Watched> clocks_;
};

}  // namespace orvane
