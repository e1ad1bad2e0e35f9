#pragma once

#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <string_view>

namespace orvane {

// Mean and spread of the offsets one clock would send to chronyd, for `--estimate-offset`.
class OffsetEstimate {
 public:
  void Add(double offset);

  std::size_t count() const { return count_; }
  double mean() const { return mean_; }
  // Sample standard deviation; 0 below two samples.
  double spread() const;
  double min() const { return min_; }
  double max() const { return max_; }

 private:
  std::size_t count_ = 0;
  double mean_ = 0;
  double squares_ = 0;  // sum of squared deviations from the mean (Welford)
  double min_ = 0;
  double max_ = 0;
};

// What `--estimate-offset` prints for one clock: the figures and the `offset` that cancels the
// mean (chronyd adds it to every sample).
std::string OffsetEstimateText(std::string_view serial, const OffsetEstimate& estimate);

// Prints every clock's estimate; the exit status: 1 when there are none.
int PrintOffsetEstimates(const std::map<std::string, OffsetEstimate>& estimates, std::ostream& out);

}  // namespace orvane
