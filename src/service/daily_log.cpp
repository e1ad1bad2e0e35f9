#include "service/daily_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "service/path_component.h"

namespace orvane {
namespace {

using namespace std::chrono;

constexpr std::size_t kDateLength = 10;  // YYYY-MM-DD

std::string DateText(sys_days day) {
  const year_month_day date{day};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", int{date.year()}, unsigned{date.month()},
                unsigned{date.day()});
  return text;
}

std::optional<sys_days> ParseDate(std::string_view text) {
  int y = 0;
  unsigned m = 0, d = 0;
  char end = 0;
  if (text.size() != kDateLength ||
      std::sscanf(std::string(text).c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &end) != 3) {
    return std::nullopt;
  }
  const year_month_day date{year(y), month(m), day(d)};
  if (!date.ok() || DateText(date) != text) return std::nullopt;
  return sys_days(date);
}

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

}  // namespace

DailyLog::DailyLog(DailyLogSettings settings, EventLog event_log)
    : settings_(std::move(settings)), event_log_(std::move(event_log)) {}

std::filesystem::path DailyLog::PathOf(sys_days day) const {
  return settings_.dir /
         (PathComponentOf(settings_.serial) + '-' + DateText(day) + settings_.extension);
}

void DailyLog::Write(sys_days day, std::string_view record) {
  // Every record passes through the backlog, so that none overtakes one still waiting.
  backlog_.push_back({day, std::string(record)});
  backlog_size_ += record.size();
  while (backlog_size_ > settings_.backlog_bytes) {
    backlog_size_ -= backlog_.front().record.size();
    backlog_.pop_front();
    ++dropped_;
  }
  const int error = WriteBacklog();
  if (error != 0 && !failing_) {
    failing_ = true;
    event_log_(LogPriority::kWarning, "cannot write " + PathOf(backlog_.front().day).string() +
                                          ": " + ErrorText(error) +
                                          "; keeping the newest records in memory until it can");
  } else if (error == 0 && failing_) {
    failing_ = false;
    event_log_(LogPriority::kNotice,
               "writing " + PathOf(day_).string() + " again" +
                   (dropped_ == 0 ? std::string()
                                  : "; " + std::to_string(dropped_) +
                                        " records that did not fit in memory are lost"));
    dropped_ = 0;
  }
}

int DailyLog::WriteBacklog() {
  while (!backlog_.empty()) {
    const Pending& next = backlog_.front();
    int error = file_.is_open() && next.day == day_ ? 0 : OpenDay(next.day);
    if (error == 0) error = file_.Append(next.record);
    if (error != 0) {
      // Opened afresh on the next try: the folder or the file may have been replaced meanwhile.
      file_.Close();
      return error;
    }
    backlog_size_ -= next.record.size();
    backlog_.pop_front();
  }
  return 0;
}

int DailyLog::OpenDay(sys_days day) {
  const bool text = !settings_.header.empty();
  int error = file_.Open(PathOf(day), text);
  if (error == 0 && text && file_.empty()) error = file_.Append(settings_.header + '\n');
  if (error != 0) return error;
  if (day != day_) Prune(day);
  day_ = day;
  return 0;
}

void DailyLog::Prune(sys_days today) {
  const std::string prefix = PathComponentOf(settings_.serial) + '-';
  std::error_code error;
  std::vector<std::pair<sys_days, std::filesystem::path>> files;
  std::optional<sys_days> newest_before;
  for (const auto& entry : std::filesystem::directory_iterator(settings_.dir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != prefix.size() + kDateLength + settings_.extension.size() ||
        !name.starts_with(prefix) || !name.ends_with(settings_.extension)) {
      continue;
    }
    const std::optional<sys_days> day = ParseDate(name.substr(prefix.size(), kDateLength));
    if (!day) continue;
    files.emplace_back(*day, entry.path());
    if (*day < today && (!newest_before || *day > *newest_before)) newest_before = *day;
  }
  // A clock that jumped ahead (a host booting a year off) must not cost the history.
  if (newest_before && today - *newest_before > days(1)) {
    event_log_(LogPriority::kWarning, "not deleting old files: the day jumped from " +
                                          DateText(*newest_before) + " to " + DateText(today));
    return;
  }
  for (const auto& [day, path] : files) {
    if (day > today - days(settings_.keep_days)) continue;
    if (std::filesystem::remove(path, error)) {
      event_log_(LogPriority::kInfo, "deleted " + path.string() + ", older than " +
                                         std::to_string(settings_.keep_days) + " days");
    }
  }
}

bool PrepareLogDirectory(const std::filesystem::path& dir, std::string* error) {
  std::error_code code;
  std::filesystem::create_directories(dir, code);
  if (!code) {
    // Permission bits alone do not tell: a read-only mount or an ACL may refuse.
    std::string probe = (dir / ".write-test-XXXXXX").string();
    const int fd = mkostemp(probe.data(), O_CLOEXEC);
    if (fd >= 0) {
      close(fd);
      unlink(probe.c_str());
      return true;
    }
    code = std::error_code(errno, std::generic_category());
  }
  *error = "cannot write log files in " + dir.string() + ": " + code.message();
  return false;
}

}  // namespace orvane
