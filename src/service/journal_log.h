#pragma once

#include <mutex>
#include <ostream>
#include <string_view>

namespace orvane {

// sd-daemon priorities, as journald reads them from a `<N>` line prefix.
enum class LogPriority { kErr = 3, kWarning = 4, kNotice = 5, kInfo = 6, kDebug = 7 };

// True when `fd` is the stream systemd connected to the journal: JOURNAL_STREAM names its
// device and inode. A child whose standard error was redirected inherits the variable, so the
// variable alone is not enough.
bool IsJournalStream(const char* journal_stream, int fd);

// The service's log: one line per event on one stream, safe to call from any thread.
class JournalLog {
 public:
  JournalLog(std::ostream& out, bool priority_prefixes);

  void Write(LogPriority priority, std::string_view message);

 private:
  std::mutex mutex_;
  std::ostream& out_;
  const bool priority_prefixes_;
};

}  // namespace orvane
