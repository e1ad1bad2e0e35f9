#include "daemon/clock_alarms.h"

namespace orvane {

ClockAlarms::ClockAlarms(MonotonicClock& clock, JournalLog& log,
                         std::optional<double> accuracy_limit_ppb, std::vector<std::string> command)
    : clock_(clock), log_(log), accuracy_limit_ppb_(accuracy_limit_ppb) {
  if (!command.empty()) runner_ = std::make_unique<CommandRunner>(std::move(command), clock, log);
}

void ClockAlarms::Check(const ServedClock& clock) {
  const std::string& serial = clock.serial();
  auto found = clocks_.find(serial);
  if (found == clocks_.end()) {
    // Watched from its first connection on.
    if (!clock.connected()) return;
    AlarmCounts counts;
    for (AlarmEvent event : kAlarmEvents) counts[std::string(AlarmEventName(event))] = 0;
    found = clocks_.emplace(serial, Watched{AlarmDetector(accuracy_limit_ppb_), counts}).first;
  }
  const Telemetry& telemetry = clock.session().telemetry();
  ClockObservation seen;
  seen.connected = clock.connected();
  seen.status = telemetry.status();
  if (telemetry.nav_clock()) seen.f_acc = telemetry.nav_clock()->value.f_acc;
  seen.silent_for = clock_.Now() - clock.last_heard();
  seen.time_silent_for = clock_.Now() - clock.last_time_utc();
  seen.holdover = clock.holdover().active();
  for (const Alarm& alarm : found->second.detector.Observe(seen)) {
    Raise(serial, found->second, alarm);
  }
}

std::chrono::nanoseconds ClockAlarms::Poll() {
  return runner_ ? runner_->Poll() : std::chrono::nanoseconds::max();
}

void ClockAlarms::Stop() {
  if (runner_) runner_->Stop();
}

const AlarmCounts& ClockAlarms::counts(const std::string& serial) const {
  static const AlarmCounts kNone;
  const auto found = clocks_.find(serial);
  return found == clocks_.end() ? kNone : found->second.counts;
}

void ClockAlarms::Raise(const std::string& serial, Watched& watched, const Alarm& alarm) {
  const std::string name(AlarmEventName(alarm.event));
  ++watched.counts[name];
  // Recoveries too: a view filtered to warnings must show that an alarm is over.
  log_.Write(LogPriority::kWarning, serial + ": alarm " + name + ": " + alarm.detail);
  if (runner_) {
    runner_->Run(serial, {"ORVANE_EVENT=" + name, "ORVANE_SERIAL=" + serial,
                          "ORVANE_DETAIL=" + alarm.detail});
  }
}

}  // namespace orvane
