#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

#include "device/hid/hid_backend.h"

namespace orvane {

// Input reports on their way from a device's reader thread to the window thread. Bounded, so a
// window that stops reading costs memory only up to the capacity; reports that find it full are
// dropped and counted.
class InputReportQueue {
 public:
  explicit InputReportQueue(std::size_t capacity);

  // Reader side. Returns false when the queue was full and the report was dropped.
  bool Push(std::vector<std::uint8_t> report, const ReceiveTime& received);
  // Reader side: the device failed and no more reports will come. Wakes a waiting Pop.
  void MarkFailed();

  // Takes the oldest report into `buffer` (cut to its size), waiting at most `timeout` for one.
  // Returns the bytes written, 0 on timeout, -1 once the device failed and the queue is empty.
  // `received`, when given, gets the report's receive time.
  int Pop(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
          ReceiveTime* received = nullptr);

  // Reports dropped so far because the queue was full.
  std::uint64_t overflow_count() const;

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  struct Queued {
    std::vector<std::uint8_t> bytes;
    ReceiveTime received;
  };
  std::deque<Queued> reports_;
  bool failed_ = false;
  std::uint64_t overflow_count_ = 0;
};

}  // namespace orvane
