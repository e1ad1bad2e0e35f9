#include "daemon/sample_gate.h"

namespace orvane {
namespace {

// NAV-TIMEUTC `valid`: time of week, week number and UTC (leap seconds known).
constexpr std::uint8_t kAllTimeValid = 0x07;

}  // namespace

std::string_view HoldReasonName(HoldReason reason) {
  // In HoldReason's order.
  static constexpr std::array<std::string_view, kHoldReasons.size()> kNames = {
      "pll_unlocked", "signal_lost", "time_invalid", "time_error", "before_build"};
  return kNames[static_cast<std::size_t>(reason)];
}

std::string_view HoldReasonText(HoldReason reason) {
  static constexpr std::array<std::string_view, kHoldReasons.size()> kTexts = {
      "the PLL is not locked", "the clock reports no GNSS signal",
      "NAV-TIMEUTC does not mark time of week, week number and UTC valid",
      "the receiver's time accuracy estimate exceeds --max-time-error",
      "the receiver's date is before this program was built (a week-number rollover or a cold "
      "start)"};
  return kTexts[static_cast<std::size_t>(reason)];
}

std::chrono::sys_days BuildDay() {
  return std::chrono::floor<std::chrono::days>(
      std::chrono::sys_seconds(std::chrono::seconds(ORVANE_BUILD_EPOCH_SECONDS)));
}

std::optional<HoldReason> HoldReasonOf(const NavTimeUtc& time,
                                       const std::optional<ReportStatus>& status,
                                       const SampleGateSettings& settings) {
  using namespace std::chrono;
  if (!status || status->pll_not_locked) return HoldReason::kPllUnlocked;
  if (status->no_gnss_signal) return HoldReason::kSignalLost;
  const year_month_day date{year{time.year}, month{time.month}, day{time.day}};
  if ((time.valid & kAllTimeValid) != kAllTimeValid || !date.ok()) return HoldReason::kTimeInvalid;
  if (nanoseconds(time.t_acc) > settings.max_time_error) return HoldReason::kTimeError;
  if (sys_days(date) < settings.not_before) return HoldReason::kBeforeBuild;
  return std::nullopt;
}

SampleGate::SampleGate(SampleGateSettings settings) : settings_(settings) {
  for (HoldReason reason : kHoldReasons) held_[std::string(HoldReasonName(reason))] = 0;
}

SampleGate::Verdict SampleGate::Judge(const NavTimeUtc& time,
                                      const std::optional<ReportStatus>& status) {
  Verdict verdict;
  const std::optional<HoldReason> reason = HoldReasonOf(time, status, settings_);
  if (reason) {
    ++held_[std::string(HoldReasonName(*reason))];
    ++held_in_a_row_;
    if (held_for_ != reason) {
      verdict.change = "chrony samples held: " + std::string(HoldReasonText(*reason)) + " (" +
                       std::string(HoldReasonName(*reason)) + ")";
    }
    held_for_ = reason;
    return verdict;
  }
  verdict.send = true;
  if (held_for_) {
    verdict.change =
        "chrony samples resumed after " + std::to_string(held_in_a_row_) + " held back";
  }
  held_for_.reset();
  held_in_a_row_ = 0;
  return verdict;
}

}  // namespace orvane
