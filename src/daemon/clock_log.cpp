#include "daemon/clock_log.h"

#include <chrono>

#include "daemon/utc_of_message.h"
#include "history/csv_log.h"
#include "protocol/ubx_frame.h"

namespace orvane {
namespace {

DailyLogSettings FileSettings(const LogSettings& settings, const std::string& serial,
                              const char* extension, const char* header,
                              std::size_t backlog_bytes) {
  return {.dir = settings.dir,
          .serial = serial,
          .extension = extension,
          .header = header,
          .keep_days = settings.keep_days,
          .backlog_bytes = backlog_bytes};
}

DailyLog::EventLog EventsOf(JournalLog& log, const std::string& serial) {
  return [&log, serial](LogPriority priority, std::string_view line) {
    log.Write(priority, serial + ": " + std::string(line));
  };
}

}  // namespace

ClockLog::ClockLog(const LogSettings& settings, const std::string& serial, JournalLog& log,
                   std::chrono::sys_days not_before)
    : csv_(FileSettings(settings, serial, ".csv", kCsvHeader, kCsvBacklogBytes),
           EventsOf(log, serial)),
      not_before_(not_before) {
  if (settings.record_ubx) {
    ubx_.emplace(FileSettings(settings, serial, ".ubx", "", kUbxBacklogBytes),
                 EventsOf(log, serial));
  }
}

void ClockLog::Take(const UbxMessage& message, const std::optional<ReportStatus>& status) {
  constexpr std::uint8_t kAllTimeValid = 0x07;
  if (message.time_utc && (message.time_utc->valid & kAllTimeValid) == kAllTimeValid) {
    if (const std::optional<RealTime> utc = UtcOfMessage(*message.time_utc)) {
      const auto day = std::chrono::floor<std::chrono::days>(*utc);
      if (day >= not_before_) receiver_day_ = day;
    }
  }
  const auto day =
      receiver_day_.value_or(std::chrono::floor<std::chrono::days>(message.received.realtime));
  if (ubx_) {
    frame_.clear();
    AppendUbxFrame(message.msg_class, message.msg_id, message.payload, frame_);
    ubx_->Write(day, std::string_view(reinterpret_cast<const char*>(frame_.data()), frame_.size()));
  }
  if (const std::optional<HistorySample> sample = samples_.Take(message, status)) {
    csv_.Write(day, CsvRow(*sample));
  }
}

}  // namespace orvane
