#pragma once

#include <sys/time.h>

#include <chrono>
#include <cstddef>

namespace orvane {

// Host CLOCK_REALTIME and UTC alike, to the nanosecond.
using RealTime = std::chrono::sys_time<std::chrono::nanoseconds>;

// chronyd rejects a sample that does not carry this.
inline constexpr int kSockSampleMagic = 0x534f434b;

// The leap second announced for the end of the day, in chronyd's values.
enum class LeapIndicator : int { kNone = 0, kInsertSecond = 1, kDeleteSecond = 2 };

// One sample of chronyd's SOCK refclock; chronyd reads it as raw memory, so the layout is its
// `struct sock_sample` field for field.
struct SockSample {
  struct timeval tv;  // host time the sample was taken
  double offset;      // true time minus tv, seconds
  int pulse;          // 0: a time sample, not a bare pulse
  int leap;
  int _pad;
  int magic;
};
#if defined(__x86_64__)
static_assert(sizeof(SockSample) == 40 && offsetof(SockSample, offset) == 16 &&
              offsetof(SockSample, leap) == 28 && offsetof(SockSample, magic) == 36);
#endif

// The sample of a message whose UTC is `utc_of_message` and whose last byte arrived at host time
// `received`; tv keeps microseconds, and the offset is taken against that truncated tv.
SockSample MakeSockSample(RealTime received, RealTime utc_of_message, LeapIndicator leap);

}  // namespace orvane
