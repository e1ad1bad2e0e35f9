#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "service/append_file.h"
#include "service/journal_log.h"

namespace orvane {

struct DailyLogSettings {
  std::filesystem::path dir;
  std::string serial;
  std::string extension;  // ".csv", ".ubx"
  // Text files: the first line of every new file, and a torn last line is cut on reopening.
  // Empty: records are kept exactly as written.
  std::string header;
  int keep_days = 30;  // today's file and those of the days before
  std::size_t backlog_bytes = 1 << 20;
};

// One clock's log in daily files DIR/SERIAL-YYYY-MM-DD.EXT by the UTC day of each record (SERIAL
// as PathComponentOf makes it). On
// opening another day's file the clock's files of days beyond `keep_days` are deleted, unless
// the day jumped more than one past the clock's newest earlier file. Records
// that cannot be written (a full disk) wait in memory, the oldest dropped past `backlog_bytes`,
// and go out in order once writing works again; the failure and the recovery are logged once.
class DailyLog {
 public:
  using EventLog = std::function<void(LogPriority, std::string_view)>;

  DailyLog(DailyLogSettings settings, EventLog event_log);

  void Write(std::chrono::sys_days day, std::string_view record);
  std::filesystem::path PathOf(std::chrono::sys_days day) const;

 private:
  struct Pending {
    std::chrono::sys_days day;
    std::string record;
  };

  // 0 or the errno of the first record that could not be written.
  int WriteBacklog();
  int OpenDay(std::chrono::sys_days day);
  void Prune(std::chrono::sys_days today);

  const DailyLogSettings settings_;
  const EventLog event_log_;
  AppendFile file_;
  std::chrono::sys_days day_{};
  std::deque<Pending> backlog_;
  std::size_t backlog_size_ = 0;  // bytes
  std::size_t dropped_ = 0;
  bool failing_ = false;
};

// Creates `dir` if need be and checks that files can be made in it; false with the reason.
bool PrepareLogDirectory(const std::filesystem::path& dir, std::string* error);

}  // namespace orvane
