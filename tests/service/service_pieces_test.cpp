// The service's small parts: the journal's lines, listen addresses and the log throttle.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "service/journal_log.h"
#include "service/listen_address.h"
#include "service/log_throttle.h"

namespace orvane {
namespace {

using std::chrono::seconds;

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

// What is shown of a good address (a port alone means loopback), or why it is refused.
TEST(ParseListenAddress, PortAloneMeansLoopbackAndRefusalsSayWhatIsWrong) {
  for (const auto& [text, says] : {
           std::pair{"2947", "127.0.0.1:2947"},
           {"[::1]:1", "[::1]:1"},
           {"localhost:2947", "\"localhost\" is not a numeric IPv4 address"},
           {"::1:2947", "an IPv6 address goes in brackets: [ADDR]:PORT"},
       }) {
    std::string error;
    const std::optional<ListenAddress> address = ParseListenAddress(text, &error);
    EXPECT_EQ(address ? address->ToString() : error, says) << text;
  }
}

TEST(LogThrottle, LetsAFewLinesThroughAPeriodAndSummarisesTheRestOnce) {
  LogThrottle throttle;
  int written = 0;
  for (int i = 0; i < 1000; ++i) written += throttle.Allow(seconds(1)) ? 1 : 0;
  EXPECT_EQ(written, LogThrottle::kLinesPerPeriod);
  EXPECT_EQ(throttle.summary_due(), seconds(1) + LogThrottle::kPeriod);
  EXPECT_EQ(throttle.Summary(seconds(60), "clients"), std::nullopt);
  EXPECT_EQ(throttle.Summary(seconds(61), "clients"), "995 more clients in the last minute");
  EXPECT_EQ(throttle.Summary(seconds(200), "clients"), std::nullopt);
  EXPECT_EQ(throttle.summary_due(), std::nullopt);
  // The next period lets lines through again.
  EXPECT_TRUE(throttle.Allow(seconds(62)));
}

}  // namespace
}  // namespace orvane
