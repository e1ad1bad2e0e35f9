#include "service/journal_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>

namespace orvane {
namespace {

TEST(JournalLog, PriorityPrefixOnlyForTheJournalAndOneLinePerEvent) {
  struct Case {
    bool prefixes;
    LogPriority priority;
    const char* message;
    const char* line;
  };
  const Case cases[] = {
      {true, LogPriority::kErr, "cannot listen", "<3>cannot listen\n"},
      {true, LogPriority::kWarning, "two\nlines", "<4>two lines\n"},
      {true, LogPriority::kDebug, "detail", "<7>detail\n"},
      {false, LogPriority::kNotice, "plain", "plain\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    JournalLog log(out, c.prefixes);
    log.Write(c.priority, c.message);
    EXPECT_EQ(out.str(), c.line);
  }
}

TEST(IsJournalStream, MatchesTheDeviceAndInodeOfTheStream) {
  const std::string path = testing::TempDir() + "journal_stream_test";
  const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  struct stat status {};
  ASSERT_EQ(fstat(fd, &status), 0);
  const std::string same = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
  const std::string other = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino + 1);
  EXPECT_TRUE(IsJournalStream(same.c_str(), fd));
  EXPECT_FALSE(IsJournalStream(other.c_str(), fd));
  EXPECT_FALSE(IsJournalStream("garbage", fd));
  EXPECT_FALSE(IsJournalStream(nullptr, fd));
  close(fd);
  unlink(path.c_str());
}

}  // namespace
}  // namespace orvane
