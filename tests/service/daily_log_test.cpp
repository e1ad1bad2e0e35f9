#include "service/daily_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>

namespace orvane {
namespace {

using namespace std::chrono;

constexpr sys_days kDay = 2026y / December / 6d;

class DailyLogTest : public testing::Test {
 protected:
  DailyLog Log() {
    return DailyLog(settings_, [this](LogPriority, std::string_view line) {
      events_ += std::string(line) + '\n';
    });
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ + "/" + name) << text;
  }

  std::string dir_ = mkdtemp((testing::TempDir() + "daily-log-XXXXXX").data());
  DailyLogSettings settings_{.dir = dir_, .serial = "G60031", .extension = ".csv", .header = "h"};
  std::string events_;
};

TEST_F(DailyLogTest, OneFileADayWithItsHeaderAndOnlyTheLastDaysKept) {
  Put("G60031-2026-11-20.csv", "h\nold\n");
  Put("G60032-2026-11-20.csv", "another clock's\n");
  Put("G60031-notes.csv", "not ours\n");
  settings_.keep_days = 3;
  DailyLog log = Log();
  for (int day = 0; day < 5; ++day) {
    for (const char* line : {"a\n", "b\n"}) log.Write(kDay + days(day), line);
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    names.push_back(entry.path().filename());
  }
  std::ranges::sort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"G60031-2026-12-08.csv", "G60031-2026-12-09.csv",
                                             "G60031-2026-12-10.csv", "G60031-notes.csv",
                                             "G60032-2026-11-20.csv"}));
  EXPECT_EQ(Read("G60031-2026-12-09.csv"), "h\na\nb\n");
  // A device's serial never leads out of the folder.
  settings_.serial = "../x";
  EXPECT_EQ(Log().PathOf(kDay), dir_ + "/___x-2026-12-06.csv");
}

TEST_F(DailyLogTest, AClockAYearAheadDeletesNothingAndTheRightDayPrunesAsUsual) {
  for (int day = 1; day <= 40; ++day) Put(Log().PathOf(kDay - days(day)).filename(), "h\n");
  const auto count = [this] {
    return std::distance(std::filesystem::directory_iterator(dir_), {});
  };
  Log().Write(kDay + days(365), "a\n");
  EXPECT_EQ(count(), 41);
  EXPECT_NE(events_.find("not deleting old files: the day jumped from 2026-12-05 to 2027-12-06"),
            std::string::npos)
      << events_;
  Log().Write(kDay, "a\n");
  EXPECT_EQ(count(), 29 + 2);  // the 29 days before kDay, kDay and the year-ahead file
}

TEST_F(DailyLogTest, ReopeningCutsATornLastLine) {
  const std::pair<const char*, const char*> kCases[] = {
      {"h\nrow 1\nro", "h\nrow 1\nrow 2\n"},
      {"h\nrow 1\n", "h\nrow 1\nrow 2\n"},
      {"h", "h\nrow 2\n"},
      {"", "h\nrow 2\n"},
  };
  for (const auto& [before, after] : kCases) {
    Put("G60031-2026-12-06.csv", before);
    Log().Write(kDay, "row 2\n");
    EXPECT_EQ(Read("G60031-2026-12-06.csv"), after) << before;
  }
}

TEST_F(DailyLogTest, AFullDiskIsLoggedOnceAndTheKeptLinesFollowWhenSpaceReturns) {
  // In a child: the file-size limit holds for every file the process writes.
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    settings_.backlog_bytes = 4 * 7;  // four lines
    DailyLog log = Log();
    for (int line = 1; line <= 9; ++line) {
      // Room for the header and three lines and a half, then space again for the last line.
      const rlimit limit{line < 9 ? 2 + 3 * 7 + 3 : RLIM_INFINITY, RLIM_INFINITY};
      setrlimit(RLIMIT_FSIZE, &limit);
      log.Write(kDay, "line " + std::to_string(line) + "\n");
    }
    Put("events", events_);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Read("G60031-2026-12-06.csv"),
            "h\nline 1\nline 2\nline 3\nline 6\nline 7\nline 8\nline 9\n");
  const std::string path = dir_ + "/G60031-2026-12-06.csv";
  EXPECT_EQ(Read("events"),
            "cannot write " + path +
                ": File too large; keeping the newest records in memory until it can\n"
                "writing " +
                path + " again; 2 records that did not fit in memory are lost\n");
}

}  // namespace
}  // namespace orvane
