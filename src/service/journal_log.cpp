#include "service/journal_log.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace orvane {

bool IsJournalStream(const char* journal_stream, int fd) {
  if (journal_stream == nullptr) return false;
  unsigned long long device = 0;
  unsigned long long inode = 0;
  if (std::sscanf(journal_stream, "%llu:%llu", &device, &inode) != 2) return false;
  struct stat status {};
  if (fstat(fd, &status) != 0) return false;
  return status.st_dev == device && status.st_ino == inode;
}

JournalLog::JournalLog(std::ostream& out, bool priority_prefixes)
    : out_(out), priority_prefixes_(priority_prefixes) {}

void JournalLog::Write(LogPriority priority, std::string_view message) {
  std::string line;
  if (priority_prefixes_) {
    line = "<" + std::to_string(static_cast<int>(priority)) + ">";
  }
  // journald would split a message with line breaks into several entries.
  for (char c : message) line.push_back(c == '\n' ? ' ' : c);
  line.push_back('\n');
  std::lock_guard lock(mutex_);
  out_ << line;
  out_.flush();
}

}  // namespace orvane
