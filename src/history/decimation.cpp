#include "history/decimation.h"

#include <array>
#include <limits>
#include <utility>

namespace orvane {
namespace {

// The smallest and the largest value of every field in the column being filled, and when they
// occurred (the first time when one recurs). The updates are selects rather than branches, over a
// fixed count of fields, so that the compiler keeps them in registers: this loop is most of a
// redraw.
class ColumnExtremes {
 public:
  ColumnExtremes() { Reset(); }

  void Take(const HistorySample& sample) {
    TakeEach(sample, std::make_index_sequence<kSeriesFields>());
  }

  // Appends each field's extremes to its list, in the order they occurred, and starts the next
  // column.
  void Flush(std::span<const SeriesField> fields, std::vector<std::vector<PlotPoint>>& points) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const auto f = static_cast<std::size_t>(fields[i]);
      if (low_[f] > high_[f]) continue;  // no value in this column
      const PlotPoint low{low_ms_[f], low_[f]}, high{high_ms_[f], high_[f]};
      const bool low_first = low.time_ms <= high.time_ms;
      points[i].push_back(low_first ? low : high);
      if (high != low) points[i].push_back(low_first ? high : low);
    }
    Reset();
  }

 private:
  // Unrolled, so that each field's value is read without a dispatch.
  template <std::size_t... kFields>
  void TakeEach(const HistorySample& sample, std::index_sequence<kFields...>) {
    (TakeField<kFields>(sample), ...);
  }

  template <std::size_t kField>
  void TakeField(const HistorySample& sample) {
    // NaN compares false both ways, so samples without a value are passed over.
    const double value = FieldValue(sample, static_cast<SeriesField>(kField));
    const bool below = value < low_[kField];
    const bool above = value > high_[kField];
    low_[kField] = below ? value : low_[kField];
    low_ms_[kField] = below ? sample.time_ms : low_ms_[kField];
    high_[kField] = above ? value : high_[kField];
    high_ms_[kField] = above ? sample.time_ms : high_ms_[kField];
  }

  void Reset() {
    low_.fill(std::numeric_limits<double>::infinity());
    high_.fill(-std::numeric_limits<double>::infinity());
  }

  std::array<double, kSeriesFields> low_, high_;
  std::array<std::int64_t, kSeriesFields> low_ms_{}, high_ms_{};
};

}  // namespace

std::vector<std::vector<PlotPoint>> DecimateMinMax(const SampleRing& ring, std::uint8_t clock,
                                                   std::span<const SeriesField> fields,
                                                   std::int64_t from_ms, std::int64_t to_ms,
                                                   int columns) {
  std::vector<std::vector<PlotPoint>> points(fields.size());
  if (columns <= 0 || to_ms <= from_ms) return points;
  for (auto& list : points) list.reserve(2 * static_cast<std::size_t>(columns));
  ColumnExtremes extremes;
  const std::int64_t span = to_ms - from_ms;
  // Column c holds the times t with floor((t - from_ms) * columns / span) == c.
  std::int64_t column_end_ms = from_ms;
  const std::size_t last = ring.LowerBound(to_ms);
  for (std::size_t i = ring.LowerBound(from_ms); i < last; ++i) {
    const HistorySample& sample = ring[i];
    if (sample.time_ms >= column_end_ms) {
      extremes.Flush(fields, points);
      const std::int64_t column = (sample.time_ms - from_ms) * columns / span;
      column_end_ms = from_ms + ((column + 1) * span + columns - 1) / columns;
    }
    if (sample.clock == clock) extremes.Take(sample);
  }
  extremes.Flush(fields, points);
  return points;
}

}  // namespace orvane
