#include "service/chrony_sample.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

using std::chrono::nanoseconds;

TEST(MakeSockSample, TvToTheMicrosecondAndOffsetAgainstIt) {
  struct Case {
    std::int64_t received_ns, utc_ns;
    LeapIndicator leap;
    time_t tv_sec;
    suseconds_t tv_usec;
    double offset;
    int leap_value;
  };
  const Case cases[] = {
      // Host behind UTC: positive offset.
      {1'700'000'000'123'456'789, 1'700'000'000'200'000'000, LeapIndicator::kNone, 1'700'000'000,
       123'456, 0.076544, 0},
      // Host ahead, across a second: negative offset.
      {1'700'000'001'000'999'999, 1'700'000'000'990'000'000, LeapIndicator::kInsertSecond,
       1'700'000'001, 999, -0.010999, 1},
      {1'700'000'000'000'000'000, 1'700'000'000'000'000'000, LeapIndicator::kDeleteSecond,
       1'700'000'000, 0, 0.0, 2},
  };
  for (const Case& c : cases) {
    const SockSample sample = MakeSockSample(RealTime(nanoseconds(c.received_ns)),
                                             RealTime(nanoseconds(c.utc_ns)), c.leap);
    EXPECT_EQ(sample.tv.tv_sec, c.tv_sec);
    EXPECT_EQ(sample.tv.tv_usec, c.tv_usec);
    EXPECT_NEAR(sample.offset, c.offset, 1e-12);
    EXPECT_EQ(sample.pulse, 0);
    EXPECT_EQ(sample.leap, c.leap_value);
    EXPECT_EQ(sample.magic, 0x534f434b);
  }
}

#if defined(__x86_64__)
TEST(SockSample, BytesWhereChronydReadsThem) {
  const SockSample sample =
      MakeSockSample(RealTime(nanoseconds(5'000'001'000)), RealTime(nanoseconds(5'500'001'000)),
                     LeapIndicator::kInsertSecond);
  unsigned char bytes[40];
  static_assert(sizeof sample == sizeof bytes);
  std::memcpy(bytes, &sample, sizeof bytes);
  std::int64_t sec = 0, usec = 0;
  double offset = 0;
  int leap = 0;
  std::memcpy(&sec, bytes, 8);
  std::memcpy(&usec, bytes + 8, 8);
  std::memcpy(&offset, bytes + 16, 8);
  std::memcpy(&leap, bytes + 28, 4);
  EXPECT_EQ(sec, 5);
  EXPECT_EQ(usec, 1);
  EXPECT_DOUBLE_EQ(offset, 0.5);
  EXPECT_EQ(leap, 1);
  EXPECT_EQ(std::memcmp(bytes + 36, "KCOS", 4), 0);  // the magic, little-endian
}
#endif

}  // namespace
}  // namespace orvane
