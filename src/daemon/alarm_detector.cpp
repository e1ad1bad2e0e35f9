#include "daemon/alarm_detector.h"

#include <cstdio>

namespace orvane {
namespace {

// Each bad event is followed by its good one in AlarmEvent.
AlarmEvent RecoveryOf(AlarmEvent bad) { return static_cast<AlarmEvent>(static_cast<int>(bad) + 1); }

// Raises `bad` or its recovery when `good` differs from the state last seen, and keeps it.
void Follow(std::optional<bool>& state, bool good, AlarmEvent bad, std::string detail,
            std::vector<Alarm>& alarms) {
  const bool changed = state && *state != good;
  state = good;
  if (changed) alarms.push_back({good ? RecoveryOf(bad) : bad, std::move(detail)});
}

std::string Ppb(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g ppb", value);
  return text;
}

}  // namespace

std::string_view AlarmEventName(AlarmEvent event) {
  // In AlarmEvent's order.
  static constexpr std::array<std::string_view, kAlarmEvents.size()> kNames = {
      "lock_lost",     "lock_regained", "signal_lost",      "signal_regained",
      "accuracy_poor", "accuracy_good", "no_data",          "data_back",
      "device_gone",   "device_back",   "holdover_started", "holdover_ended"};
  return kNames[static_cast<std::size_t>(event)];
}

AlarmDetector::AlarmDetector(std::optional<double> accuracy_limit_ppb)
    : accuracy_limit_ppb_(accuracy_limit_ppb) {}

std::vector<Alarm> AlarmDetector::Observe(const ClockObservation& seen) {
  std::vector<Alarm> alarms;
  Follow(connected_, seen.connected, AlarmEvent::kDeviceGone,
         seen.connected ? "found again" : "link lost", alarms);
  if (!seen.connected) {
    hearing_.reset();
    return alarms;
  }
  if (seen.status) {
    const ReportStatus& status = *seen.status;
    Follow(locked_, !status.pll_not_locked, AlarmEvent::kLockLost,
           status.pll_not_locked ? "PLL not locked" : "PLL locked", alarms);
    Follow(has_signal_, !status.no_gnss_signal, AlarmEvent::kSignalLost,
           "signal loss count " + std::to_string(status.signal_loss_count), alarms);
  }
  Follow(not_in_holdover_, !seen.holdover, AlarmEvent::kHoldoverStarted,
         seen.holdover ? "PLL locked without GNSS signal" : "GNSS signal back or PLL unlocked",
         alarms);
  if (seen.f_acc && accuracy_limit_ppb_) {
    // ps/s are thousandths of a ppb.
    const double accuracy = *seen.f_acc / 1000.0;
    const bool good = accuracy <= *accuracy_limit_ppb_;
    Follow(accurate_, good, AlarmEvent::kAccuracyPoor,
           "offset accuracy " + Ppb(accuracy) + (good ? " <= " : " > ") + Ppb(*accuracy_limit_ppb_),
           alarms);
  }
  const bool speaking = seen.silent_for < kSilenceLimit;
  const bool hearing = speaking && seen.time_silent_for < kSilenceLimit;
  Follow(hearing_, hearing, AlarmEvent::kNoData,
         hearing    ? "receiver messages again"
         : speaking ? "no NAV-TIMEUTC for 10 s"
                    : "no receiver message for 10 s",
         alarms);
  return alarms;
}

}  // namespace orvane
