#include "device/hid/input_report_queue.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace orvane {
namespace {

using std::chrono::milliseconds;

// Long enough never to expire on a loaded machine; the waits end as soon as data arrives.
constexpr milliseconds kGenerousWait(30000);

TEST(InputReportQueue, FullDropsTheNewestLongReportsAreCutAndAFailureFollowsTheQueued) {
  InputReportQueue queue(2);
  std::array<std::uint8_t, 3> buffer{};
  EXPECT_EQ(queue.Pop(buffer, milliseconds(1)), 0);
  const ReceiveTime when = {std::chrono::system_clock::time_point(std::chrono::seconds(7)),
                            std::chrono::nanoseconds(5)};
  EXPECT_TRUE(queue.Push({0, 1, 2, 3}, when));
  EXPECT_TRUE(queue.Push({0, 2}, {}));
  EXPECT_FALSE(queue.Push({0, 3}, {}));
  EXPECT_EQ(queue.overflow_count(), 1u);
  queue.MarkFailed();
  ReceiveTime received;
  ASSERT_EQ(queue.Pop(buffer, milliseconds(0), &received), 3);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 3>{0, 1, 2}));
  EXPECT_EQ(received, when);
  ASSERT_EQ(queue.Pop(buffer, milliseconds(0)), 2);
  EXPECT_EQ(buffer[1], 2);
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), -1);
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), -1);
}

TEST(InputReportQueue, ReportsFromAnotherThreadArriveInOrderAndAFailureWakesTheReader) {
  constexpr int kCount = 1000;
  InputReportQueue queue(kCount);
  std::thread reader([&queue] {
    for (int i = 0; i < kCount; ++i) {
      queue.Push({0, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)}, {});
    }
  });
  std::array<std::uint8_t, 3> buffer{};
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(queue.Pop(buffer, kGenerousWait), 3);
    ASSERT_EQ(buffer[1] | (buffer[2] << 8), i);
  }
  reader.join();
  EXPECT_EQ(queue.overflow_count(), 0u);
  std::thread failing([&queue] { queue.MarkFailed(); });
  EXPECT_EQ(queue.Pop(buffer, kGenerousWait), -1);
  failing.join();
}

}  // namespace
}  // namespace orvane
