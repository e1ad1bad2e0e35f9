#include "device/hid/input_report_queue.h"

#include <algorithm>

namespace orvane {

InputReportQueue::InputReportQueue(std::size_t capacity) : capacity_(capacity) {}

bool InputReportQueue::Push(std::vector<std::uint8_t> report, const ReceiveTime& received) {
  {
    std::lock_guard lock(mutex_);
    if (reports_.size() >= capacity_) {
      ++overflow_count_;
      return false;
    }
    reports_.push_back({std::move(report), received});
  }
  changed_.notify_one();
  return true;
}

void InputReportQueue::MarkFailed() {
  {
    std::lock_guard lock(mutex_);
    failed_ = true;
  }
  changed_.notify_all();
}

int InputReportQueue::Pop(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                          ReceiveTime* received) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return !reports_.empty() || failed_; });
  if (reports_.empty()) return failed_ ? -1 : 0;
  const std::vector<std::uint8_t>& report = reports_.front().bytes;
  if (received != nullptr) *received = reports_.front().received;
  const std::size_t count = std::min(report.size(), buffer.size());
  std::copy_n(report.begin(), count, buffer.begin());
  reports_.pop_front();
  return static_cast<int>(count);
}

std::uint64_t InputReportQueue::overflow_count() const {
  std::lock_guard lock(mutex_);
  return overflow_count_;
}

}  // namespace orvane
