#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/status_report.h"

namespace orvane {

// A change of one clock's state worth telling an operator about; each bad state has its good one.
enum class AlarmEvent {
  kLockLost,
  kLockRegained,
  kSignalLost,
  kSignalRegained,
  kAccuracyPoor,
  kAccuracyGood,
  kNoData,
  kDataBack,
  kDeviceGone,
  kDeviceBack,
  kHoldoverStarted,
  kHoldoverEnded,
};
inline constexpr std::array kAlarmEvents = {
    AlarmEvent::kLockLost,       AlarmEvent::kLockRegained,    AlarmEvent::kSignalLost,
    AlarmEvent::kSignalRegained, AlarmEvent::kAccuracyPoor,    AlarmEvent::kAccuracyGood,
    AlarmEvent::kNoData,         AlarmEvent::kDataBack,        AlarmEvent::kDeviceGone,
    AlarmEvent::kDeviceBack,     AlarmEvent::kHoldoverStarted, AlarmEvent::kHoldoverEnded};

// The stable snake_case name scripts and metrics see ("lock_lost").
std::string_view AlarmEventName(AlarmEvent event);

struct Alarm {
  AlarmEvent event;
  std::string detail;  // short human text: "offset accuracy 12.3 ppb > 10 ppb"
  bool operator==(const Alarm&) const = default;
};

// What the daemon saw of one clock at one moment.
struct ClockObservation {
  bool connected = false;
  std::optional<ReportStatus> status;      // the last status report
  std::optional<std::int32_t> f_acc;       // the last NAV-CLOCK's frequency accuracy, ps/s
  std::chrono::nanoseconds silent_for{0};  // since the last receiver message or the connection
  // Since the last NAV-TIMEUTC or the connection: the chrony feed starves without it.
  std::chrono::nanoseconds time_silent_for{0};
  bool holdover = false;  // the PLL kept its lock after the signal went
};

// Turns one clock's observations into alarms, each once per change. The first state seen of
// each condition is taken as it is, without an alarm (a daemon start is not news); every change
// after that raises one. While the device is gone only its return is watched; its lock, signal
// and accuracy are then compared with what was seen before it went, and the receiver gets a
// fresh 10 s to speak.
class AlarmDetector {
 public:
  static constexpr std::chrono::seconds kSilenceLimit{10};

  // `accuracy_limit_ppb` unset: accuracy is not watched.
  explicit AlarmDetector(std::optional<double> accuracy_limit_ppb);

  std::vector<Alarm> Observe(const ClockObservation& seen);

 private:
  // Each condition: unset until first seen, then whether it is good.
  std::optional<bool> connected_;
  std::optional<bool> locked_;
  std::optional<bool> has_signal_;
  std::optional<bool> accurate_;
  std::optional<bool> hearing_;
  std::optional<bool> not_in_holdover_;
  const std::optional<double> accuracy_limit_ppb_;
};

}  // namespace orvane
