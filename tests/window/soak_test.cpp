// An hour of polling on the simulated clock with its receiver, unplugged and plugged in again every
// few minutes: memory stays flat, the window decodes every UBX frame the device sends exactly once,
// and no tick holds the window longer than its bounded waits.
#include <malloc.h>

#include "engine/ubx_parser.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

// The device's side of the wire: every input report it sends from the instant the window's
// handle is opened, split into UBX frames by a parser that starts afresh with each connection.
class DeviceStream {
 public:
  explicit DeviceStream(ClockDevice& device) : device_(device) { Connect(); }

  // A new connection: bytes of a frame the device was cut off in never complete.
  void Connect() {
    queue_ = device_.OpenInputQueue();
    parser_ = std::make_unique<UbxParser>([this](const UbxFrame&) { ++frames; });
  }
  void Drain() {
    std::vector<std::uint8_t> report(static_cast<std::size_t>(device_.input_report_length()));
    while (queue_->Pop(report, milliseconds(0)) > 0) {
      if (report[2] & 0x80) parser_->Parse(std::span(report).subspan(3));
    }
  }

  std::size_t frames = 0;

 private:
  ClockDevice& device_;
  std::shared_ptr<InputReportQueue> queue_;
  std::unique_ptr<UbxParser> parser_;
};

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

TEST_F(SoakTest, AnHourOfPollingWithReplugsLosesNoFrameLeaksNothingAndNeverFreezes) {
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
  DeviceStream sent(device);
  Start();
  count_decoded();

  long long allocated_after_warm_up = 0;
  std::size_t frames_at_replug = 0;
  for (int tick = 1; tick <= kTicks; ++tick) {
    const bool replug = tick % kTicksBetweenReplugs == 0;
    if (replug) {
      // Right after a tick has taken everything queued, every frame the device finished on the
      // connection now ending was decoded, once; the window loses only what was not yet sent.
      EXPECT_EQ(decoded, sent.frames) << "tick " << tick;
      EXPECT_GT(decoded, frames_at_replug) << "no frame since the last replug";
      frames_at_replug = decoded;
      device.Unplug();
      device.Replug();
      sent.Connect();
    } else {
      clock_.Advance(milliseconds(window_->timer().interval()));
    }
    const auto start = clock_.Now();
    window_->poll().Timer_Timer();
    count_decoded();
    ASSERT_LE(clock_.Now() - start, replug ? kLongestReopeningTick : kLongestTick) << tick;
    ASSERT_TRUE(window_->link().DeviceDetected()) << "tick " << tick;
    sent.Drain();
    if (tick == 2 * kTicksBetweenReplugs) allocated_after_warm_up = AllocatedBytes(device);
  }

  // The run ends on a replug; the reports of its last tick are read by a tick that never comes.
  EXPECT_LE(decoded, sent.frames);
  EXPECT_GT(sent.frames, 10'000u);
  EXPECT_TRUE(device.violations().empty());
  // Generous: a leak of one small allocation per tick would pass 3 MB over the hour.
  EXPECT_LT(AllocatedBytes(device), allocated_after_warm_up + 512 * 1024);
}

}  // namespace
}  // namespace orvane
