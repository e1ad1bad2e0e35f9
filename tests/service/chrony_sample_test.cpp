#include "service/chrony_sample.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

RealTime At(std::int64_t ns) { return RealTime(std::chrono::nanoseconds(ns)); }

TEST(MakeSockSample, TvToTheMicrosecondAndOffsetAgainstIt) {
  const struct {
    std::int64_t received_ns, utc_ns;
    LeapIndicator leap;
    long tv_sec, tv_usec;
    double offset;
  } cases[] = {
      // Host behind UTC: positive offset.
      {1'700'000'000'123'456'789, 1'700'000'000'200'000'000, LeapIndicator::kNone, 1'700'000'000,
       123'456, 0.076544},
      // Host ahead, across a second: negative offset.
      {1'700'000'001'000'999'999, 1'700'000'000'990'000'000, LeapIndicator::kInsertSecond,
       1'700'000'001, 999, -0.010999},
      {5'000'000'000, 5'000'000'000, LeapIndicator::kDeleteSecond, 5, 0, 0.0},
  };
  for (const auto& c : cases) {
    const SockSample sample = MakeSockSample(At(c.received_ns), At(c.utc_ns), c.leap);
    EXPECT_EQ(sample.tv.tv_sec, c.tv_sec);
    EXPECT_EQ(sample.tv.tv_usec, c.tv_usec);
    EXPECT_NEAR(sample.offset, c.offset, 1e-12);
    EXPECT_EQ(sample.pulse, 0);
    EXPECT_EQ(sample.leap, static_cast<int>(c.leap));
    EXPECT_EQ(sample.magic, 0x534f434b);
  }
}

}  // namespace
}  // namespace orvane
