#include "device/hid/input_report_queue.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace orvane {
namespace {

using std::chrono::milliseconds;

// Long enough never to expire on a loaded machine; the waits end as soon as data arrives.
constexpr milliseconds kGenerousWait(30000);

TEST(InputReportQueue, FullQueueDropsTheNewestAndEachReportKeepsItsTime) {
  InputReportQueue queue(2);
  const ReceiveTime when = {std::chrono::system_clock::time_point(std::chrono::seconds(7)),
                            std::chrono::nanoseconds(5)};
  EXPECT_TRUE(queue.Push({0, 1}, when));
  EXPECT_TRUE(queue.Push({0, 2}, {}));
  EXPECT_FALSE(queue.Push({0, 3}, {}));
  EXPECT_FALSE(queue.Push({0, 4}, {}));
  EXPECT_EQ(queue.overflow_count(), 2u);
  std::array<std::uint8_t, 2> buffer{};
  ReceiveTime received;
  ASSERT_EQ(queue.Pop(buffer, milliseconds(0), &received), 2);
  EXPECT_EQ(buffer[1], 1);
  EXPECT_EQ(received, when);
  ASSERT_EQ(queue.Pop(buffer, milliseconds(0)), 2);
  EXPECT_EQ(buffer[1], 2);
}

TEST(InputReportQueue, EmptyTimesOutLongReportsAreCutAndAFailureFollowsTheQueued) {
  InputReportQueue queue(4);
  std::array<std::uint8_t, 3> buffer{};
  EXPECT_EQ(queue.Pop(buffer, milliseconds(1)), 0);
  queue.Push({0, 1, 2, 3}, {});
  queue.MarkFailed();
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), 3);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 3>{0, 1, 2}));
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), -1);
  EXPECT_EQ(queue.Pop(buffer, milliseconds(0)), -1);
}

TEST(InputReportQueue, ReportsFromAnotherThreadArriveInOrder) {
  constexpr int kCount = 1000;
  InputReportQueue queue(kCount);
  std::thread reader([&queue] {
    for (int i = 0; i < kCount; ++i) {
      queue.Push({0, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)}, {});
    }
    queue.MarkFailed();
  });
  std::array<std::uint8_t, 3> buffer{};
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(queue.Pop(buffer, kGenerousWait), 3);
    ASSERT_EQ(buffer[1] | (buffer[2] << 8), i);
  }
  EXPECT_EQ(queue.Pop(buffer, kGenerousWait), -1);
  reader.join();
  EXPECT_EQ(queue.overflow_count(), 0u);
}

TEST(InputReportQueue, FailureWakesAWaitingReader) {
  InputReportQueue queue(4);
  std::array<std::uint8_t, 2> buffer{};
  int result = 0;
  std::thread window([&] { result = queue.Pop(buffer, kGenerousWait); });
  queue.MarkFailed();
  window.join();
  EXPECT_EQ(result, -1);
}

}  // namespace
}  // namespace orvane
