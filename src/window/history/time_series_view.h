#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "history/sample_ring.h"
#include "history/series_field.h"
#include "window/history/time_chart.h"

class QXYSeries;

namespace orvane {

// The time series, one plot above the other on the same UTC range: oscillator offset with its
// accuracy band, clock bias, time accuracy, satellites and mean C/N0, and the state strip.
class TimeSeriesView : public QWidget {
 public:
  explicit TimeSeriesView(TimeChart::RangeRequest on_range, QWidget* parent = nullptr);

  // Draws `clock`'s samples over [from_ms, to_ms], decimated to each plot's width.
  void Draw(const SampleRing& ring, std::uint8_t clock, std::int64_t from_ms, std::int64_t to_ms);
  const std::vector<TimeChart*>& charts() const { return charts_; }

 private:
  // What one series of a plot shows: a field, scaled and moved (the state strip's levels).
  struct Trace {
    QXYSeries* series;
    SeriesField field;
    double scale = 1;
    double offset = 0;
  };

  // Pads the plots with narrower value labels, so that all time axes line up.
  void AlignPlotAreas();

  std::vector<TimeChart*> charts_;
  std::vector<Trace> traces_;
  // The state strip's bands stand on flat lines at their levels, under their tops' points.
  struct StripFloor {
    QXYSeries* floor;
    QXYSeries* top;
    double level;
  };
  std::vector<StripFloor> strip_floors_;
};

}  // namespace orvane
