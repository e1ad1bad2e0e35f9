#include "history/sample_ring.h"

#include <algorithm>

namespace orvane {

void SampleRing::Push(const HistorySample& sample) {
  if (capacity_ == 0) return;
  if (samples_.size() < capacity_) {
    // Growing by doubling would overshoot the bound by up to half; never past the capacity.
    if (samples_.size() == samples_.capacity())
      samples_.reserve(std::min(capacity_, std::max<std::size_t>(1024, samples_.size() * 2)));
    samples_.push_back(sample);
    return;
  }
  samples_[start_] = sample;
  start_ = start_ + 1 == capacity_ ? 0 : start_ + 1;
}

void SampleRing::Clear() {
  samples_.clear();
  samples_.shrink_to_fit();
  start_ = 0;
}

std::size_t SampleRing::LowerBound(std::int64_t time_ms) const {
  std::size_t low = 0;
  std::size_t high = size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if ((*this)[middle].time_ms < time_ms) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

}  // namespace orvane
