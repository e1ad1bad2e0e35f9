#include "service/journal_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace orvane {
namespace {

TEST(JournalLog, PriorityPrefixOnlyForTheJournalAndOneLinePerEvent) {
  const struct {
    bool prefixes;
    LogPriority priority;
    const char* line;
  } cases[] = {
      {true, LogPriority::kErr, "<3>two lines\n"},
      {true, LogPriority::kDebug, "<7>two lines\n"},
      {false, LogPriority::kNotice, "two lines\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    JournalLog(out, c.prefixes).Write(c.priority, "two\nlines");
    EXPECT_EQ(out.str(), c.line);
  }
}

TEST(IsJournalStream, MatchesTheDeviceAndInodeOfTheStream) {
  std::FILE* file = std::tmpfile();
  struct stat status {};
  ASSERT_EQ(fstat(fileno(file), &status), 0);
  const std::string device = std::to_string(status.st_dev) + ":";
  EXPECT_TRUE(IsJournalStream((device + std::to_string(status.st_ino)).c_str(), fileno(file)));
  EXPECT_FALSE(IsJournalStream((device + std::to_string(status.st_ino + 1)).c_str(), fileno(file)));
  EXPECT_FALSE(IsJournalStream("garbage", fileno(file)));
  EXPECT_FALSE(IsJournalStream(nullptr, fileno(file)));
  std::fclose(file);
}

}  // namespace
}  // namespace orvane
