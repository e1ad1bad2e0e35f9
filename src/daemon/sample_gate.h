#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ubx_messages.h"
#include "protocol/status_report.h"

namespace orvane {

// Why a NAV-TIMEUTC was not sent to chronyd; the first that applies is the one counted.
enum class HoldReason { kPllUnlocked, kSignalLost, kTimeInvalid, kTimeError, kBeforeBuild };
inline constexpr std::array kHoldReasons = {HoldReason::kPllUnlocked, HoldReason::kSignalLost,
                                            HoldReason::kTimeInvalid, HoldReason::kTimeError,
                                            HoldReason::kBeforeBuild};

// The metric's label ("signal_lost") and the log's words.
std::string_view HoldReasonName(HoldReason reason);
std::string_view HoldReasonText(HoldReason reason);

// The day the program was built: no receiver date before it can be today.
std::chrono::sys_days BuildDay();

struct SampleGateSettings {
  std::chrono::nanoseconds max_time_error{100'000};  // the receiver's tAcc, at most
  std::chrono::sys_days not_before = BuildDay();
};

// Whether a sample may go out: the PLL locked, a GNSS signal, time of week, week and UTC all
// marked valid, tAcc within the limit and a date not before the build. nullopt: send it.
std::optional<HoldReason> HoldReasonOf(const NavTimeUtc& time,
                                       const std::optional<ReportStatus>& status,
                                       const SampleGateSettings& settings);

// Held samples of one clock by reason name; every name is present.
using HeldCounts = std::map<std::string, std::uint64_t>;

// One clock's gate: judges each NAV-TIMEUTC, counts what it holds back and says once when
// samples stop (and again only if the reason changes) and once when they resume.
class SampleGate {
 public:
  explicit SampleGate(SampleGateSettings settings);

  struct Verdict {
    bool send = false;
    std::optional<std::string> change;  // a log line: held (with why) or resumed
  };
  Verdict Judge(const NavTimeUtc& time, const std::optional<ReportStatus>& status);
  const HeldCounts& held() const { return held_; }

 private:
  const SampleGateSettings settings_;
  HeldCounts held_;
  std::optional<HoldReason> held_for_;  // set while samples are held
  std::uint64_t held_in_a_row_ = 0;
};

}  // namespace orvane
