#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/history_sample.h"

namespace orvane {

// The samples of the program's whole run, oldest first, up to a fixed count: once full, each new
// sample replaces the oldest. Storage grows with use, so a short run costs little.
class SampleRing {
 public:
  // A week of NAV-CLOCK at the receiver's fastest rate, 4 Hz: 77 MB of samples.
  static constexpr std::size_t kWeekAt4Hz = 7 * 86400 * 4;

  explicit SampleRing(std::size_t capacity = kWeekAt4Hz) : capacity_(capacity) {}

  void Push(const HistorySample& sample);
  void Clear();

  std::size_t size() const { return samples_.size(); }
  std::size_t capacity() const { return capacity_; }
  bool empty() const { return samples_.empty(); }
  // The i-th oldest sample.
  const HistorySample& operator[](std::size_t i) const {
    const std::size_t at = start_ + i;
    return samples_[at < samples_.size() ? at : at - samples_.size()];
  }
  const HistorySample& back() const { return (*this)[size() - 1]; }
  // The index of the first sample at or after `time_ms` (size() when none); samples are kept in
  // the order they arrived, which is time order.
  std::size_t LowerBound(std::int64_t time_ms) const;
  // Bytes the samples take on the heap.
  std::size_t MemoryBytes() const { return samples_.capacity() * sizeof(HistorySample); }

 private:
  std::size_t capacity_;
  std::size_t start_ = 0;  // index of the oldest once the ring has wrapped
  std::vector<HistorySample> samples_;
};

}  // namespace orvane
