// An hour of polling on the simulated clock with its receiver, unplugged and plugged in again every
// few minutes: memory stays flat, frames keep coming after every replug, and no tick holds the
// window longer than its bounded waits. That each frame is decoded once is the session's test
// (a fresh parser per connection) and the session trace's (no frame twice).
#include <malloc.h>

#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

// Heap in use, less the device's record of every report it received, which grows by design: each
// report a heap chunk of its own (usable size plus its size word) and an entry in the record.
long long AllocatedBytes(const ClockDevice& device) {
  const auto& record = device.received();
  long long recorded = static_cast<long long>(record.capacity() * sizeof(record.front()));
  for (const auto& report : record) {
    recorded += static_cast<long long>(
        malloc_usable_size(const_cast<std::uint8_t*>(report.data())) + sizeof(std::size_t));
  }
  const struct mallinfo2 heap = mallinfo2();  // small chunks and mapped blocks
  return static_cast<long long>(heap.uordblks + heap.hblkhd) - recorded;
}

using SoakTest = WindowTest;

TEST_F(SoakTest, AnHourOfPollingWithReplugsKeepsFramesComingLeaksNothingAndNeverFreezes) {
  constexpr int kTicks = 72'000;               // an hour of 50 ms ticks
  constexpr int kTicksBetweenReplugs = 3'600;  // three minutes
  // A tick waits at most 20 ms for the first report and 2 ms for the reference reply; one that
  // opens the device again adds the readback's three 5 ms pauses.
  constexpr milliseconds kLongestTick(22), kLongestReopeningTick(22 + 15);

  // Frames the window decoded: its "ubx" trace lines, counted and forgotten after every tick so
  // that the trace does not grow for an hour.
  std::size_t decoded = 0;
  const auto count_decoded = [&] {
    const std::string text = trace_text_.str();
    for (std::size_t at = 0; (at = text.find(" ubx ", at)) != std::string::npos; ++at) ++decoded;
    trace_text_.str("");
  };
  ClockDevice& device = AddDevice();
  Start();
  count_decoded();

  long long allocated_after_warm_up = 0;
  std::size_t frames_at_replug = 0;
  for (int tick = 1; tick <= kTicks; ++tick) {
    const bool replug = tick % kTicksBetweenReplugs == 0;
    if (replug) {
      EXPECT_GT(decoded, frames_at_replug) << "no frame since the last replug, tick " << tick;
      frames_at_replug = decoded;
      device.Unplug();
      device.Replug();
    } else {
      clock_.Advance(milliseconds(window_->timer().interval()));
    }
    const auto start = clock_.Now();
    window_->poll().Timer_Timer();
    count_decoded();
    ASSERT_LE(clock_.Now() - start, replug ? kLongestReopeningTick : kLongestTick) << tick;
    ASSERT_TRUE(window_->link().DeviceDetected()) << "tick " << tick;
    if (tick == 2 * kTicksBetweenReplugs) allocated_after_warm_up = AllocatedBytes(device);
  }

  EXPECT_GT(decoded, 10'000u);
  EXPECT_TRUE(device.violations().empty());
  // Generous: a leak of one small allocation per tick would pass 3 MB over the hour.
  EXPECT_LT(AllocatedBytes(device), allocated_after_warm_up + 512 * 1024);
}

}  // namespace
}  // namespace orvane
