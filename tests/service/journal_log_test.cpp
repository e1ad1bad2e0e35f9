#include "service/journal_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace orvane {
namespace {

TEST(JournalLog, PriorityPrefixOnlyForTheJournalAndOneLinePerEvent) {
  for (const auto& [prefixes, priority, line] :
       {std::tuple{true, LogPriority::kErr, "<3>two lines\n"},
        {true, LogPriority::kDebug, "<7>two lines\n"},
        {false, LogPriority::kNotice, "two lines\n"}}) {
    std::ostringstream out;
    JournalLog(out, prefixes).Write(priority, "two\nlines");
    EXPECT_EQ(out.str(), line);
  }
}

}  // namespace
}  // namespace orvane
