#include "daemon/utc_of_message.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(UtcOfMessage, ValidFieldsWithNanoElseNothing) {
  using std::chrono::nanoseconds;
  const struct {
    NavTimeUtc time;
    std::optional<std::int64_t> ns_since_epoch;
  } cases[] = {
      {{.nano = 0, .year = 1970, .month = 1, .day = 1, .valid = 0x07}, 0},
      // nano may be negative: the solution lies just before the whole second named.
      {{.nano = -1500,
        .year = 2024,
        .month = 2,
        .day = 29,
        .hour = 23,
        .min = 59,
        .sec = 59,
        .valid = 0x04},
       1'709'251'199'000'000'000 - 1500},
      {{.year = 2024, .month = 1, .day = 1, .valid = 0x03}, std::nullopt},   // UTC not valid
      {{.year = 2023, .month = 2, .day = 29, .valid = 0x07}, std::nullopt},  // no such day
      {{.year = 2016, .month = 12, .day = 31, .hour = 23, .min = 59, .sec = 60, .valid = 0x07},
       std::nullopt},  // a leap second
  };
  for (const auto& c : cases) {
    const std::optional<RealTime> utc = UtcOfMessage(c.time);
    ASSERT_EQ(utc.has_value(), c.ns_since_epoch.has_value()) << c.time.year;
    if (utc) {
      EXPECT_EQ(utc->time_since_epoch(), nanoseconds(*c.ns_since_epoch)) << c.time.year;
    }
  }
}

}  // namespace
}  // namespace orvane
