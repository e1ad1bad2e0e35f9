#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "daemon/log_settings.h"
#include "engine/telemetry.h"
#include "history/sample_deriver.h"
#include "protocol/status_report.h"
#include "service/daily_log.h"

namespace orvane {

// One clock's files in the log folder: a CSV row per NAV-CLOCK and, when asked, every UBX frame
// rebuilt whole, so that the recording replays as a capture. Files are named by the receiver's
// UTC day once it has given a trustworthy one (the host's clock may be the one that is off),
// by the host's day before that.
class ClockLog {
 public:
  // About an hour of either at the receiver's rates, kept while the disk is full.
  static constexpr std::size_t kCsvBacklogBytes = 1 << 20;
  static constexpr std::size_t kUbxBacklogBytes = 4 << 20;

  // A receiver date before `not_before` is not trusted for the day.
  ClockLog(const LogSettings& settings, const std::string& serial, JournalLog& log,
           std::chrono::sys_days not_before);

  // A message after the telemetry took it in; `status` is the clock's latest report.
  void Take(const UbxMessage& message, const std::optional<ReportStatus>& status);

 private:
  SampleDeriver samples_;
  DailyLog csv_;
  std::optional<DailyLog> ubx_;
  std::vector<std::uint8_t> frame_;
  const std::chrono::sys_days not_before_;
  std::optional<std::chrono::sys_days> receiver_day_;
};

}  // namespace orvane
