#include "history/decimation.h"

#include <cmath>
#include <cstdint>

namespace orvane {

std::vector<PlotPoint> DecimateMinMax(const SampleRing& ring, std::uint8_t clock, SeriesField field,
                                      std::int64_t from_ms, std::int64_t to_ms, int columns) {
  std::vector<PlotPoint> points;
  if (columns <= 0 || to_ms <= from_ms) return points;
  points.reserve(2 * static_cast<std::size_t>(columns));
  int column = -1;
  PlotPoint low, high;
  const auto flush = [&] {
    if (column < 0) return;
    if (low.time_ms <= high.time_ms) {
      points.push_back(low);
      if (high != low) points.push_back(high);
    } else {
      points.push_back(high);
      points.push_back(low);
    }
  };
  for (std::size_t i = ring.LowerBound(from_ms); i < ring.size(); ++i) {
    const HistorySample& sample = ring[i];
    if (sample.time_ms >= to_ms) break;
    if (sample.clock != clock) continue;
    const double value = FieldValue(sample, field);
    if (std::isnan(value)) continue;
    const auto at = static_cast<int>((sample.time_ms - from_ms) * columns / (to_ms - from_ms));
    const PlotPoint point{sample.time_ms, value};
    if (at != column) {
      flush();
      column = at;
      low = high = point;
      continue;
    }
    if (value < low.value) low = point;
    if (value > high.value) high = point;
  }
  flush();
  return points;
}

}  // namespace orvane
