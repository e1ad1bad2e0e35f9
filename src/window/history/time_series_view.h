#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "history/sample_ring.h"
#include "window/history/time_chart.h"

namespace orvane {

// The time series, one plot above the other on the same UTC range: oscillator offset with its
// accuracy band, clock bias, time accuracy, satellites and mean C/N0, and the state strip.
class TimeSeriesView : public QWidget {
 public:
  explicit TimeSeriesView(TimeChart::RangeRequest on_range, QWidget* parent = nullptr);

  // Draws `clock`'s samples over [from_ms, to_ms], decimated to the plots' width.
  void Draw(const SampleRing& ring, std::uint8_t clock, std::int64_t from_ms, std::int64_t to_ms);
  const std::vector<TimeChart*>& charts() const { return charts_; }

 private:
  std::vector<TimeChart*> charts_;
};

}  // namespace orvane
