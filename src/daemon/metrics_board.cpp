#include "daemon/metrics_board.h"

#include <vector>

#include "daemon/clock_metrics.h"

namespace orvane {

void MetricsBoard::Publish(ClockReading reading) {
  std::lock_guard lock(mutex_);
  std::string serial = reading.serial;
  readings_.insert_or_assign(std::move(serial), std::move(reading));
}

void MetricsBoard::Remove(const std::string& serial) {
  std::lock_guard lock(mutex_);
  readings_.erase(serial);
}

std::string MetricsBoard::Text() const {
  std::vector<ClockReading> readings;
  {
    // Copied out, so that a scrape holds the poll loop up for no longer than a copy.
    std::lock_guard lock(mutex_);
    readings.reserve(readings_.size());
    for (const auto& entry : readings_) readings.push_back(entry.second);
  }
  return ClockMetricsText(readings);
}

}  // namespace orvane
