#include "history/decimation.h"

#include <array>
#include <cmath>
#include <utility>

namespace orvane {
namespace {

// Appends the smallest and the largest value of `kField` among `clock`'s samples [first, last),
// in the order they occurred. The field is a template argument so that the scan of a column is a
// tight loop: a day at 4 Hz is 350 samples a column at 1000 columns.
template <SeriesField kField>
void AppendExtremes(const SampleRing& ring, std::size_t first, std::size_t last, std::uint8_t clock,
                    std::vector<PlotPoint>& points) {
  PlotPoint low, high;
  bool any = false;
  for (std::size_t i = first; i < last; ++i) {
    const HistorySample& sample = ring[i];
    const double value = FieldValue(sample, kField);
    if (sample.clock != clock || std::isnan(value)) continue;
    if (!any || value < low.value) low = {sample.time_ms, value};
    if (!any || value > high.value) high = {sample.time_ms, value};
    any = true;
  }
  if (!any) return;
  const bool low_first = low.time_ms <= high.time_ms;
  points.push_back(low_first ? low : high);
  if (high != low) points.push_back(low_first ? high : low);
}

using AppendFunction = void (*)(const SampleRing&, std::size_t, std::size_t, std::uint8_t,
                                std::vector<PlotPoint>&);

template <std::size_t... kFields>
constexpr auto MakeAppendFunctions(std::index_sequence<kFields...>) {
  return std::array<AppendFunction, sizeof...(kFields)>{
      &AppendExtremes<static_cast<SeriesField>(kFields)>...};
}

// Indexed by SeriesField.
constexpr auto kAppendExtremes = MakeAppendFunctions(std::make_index_sequence<kSeriesFields>());

}  // namespace

std::vector<std::vector<PlotPoint>> DecimateMinMax(const SampleRing& ring, std::uint8_t clock,
                                                   std::span<const SeriesField> fields,
                                                   std::int64_t from_ms, std::int64_t to_ms,
                                                   int columns) {
  std::vector<std::vector<PlotPoint>> points(fields.size());
  if (columns <= 0 || to_ms <= from_ms) return points;
  for (auto& list : points) list.reserve(2 * static_cast<std::size_t>(columns));
  const std::int64_t span = to_ms - from_ms;
  // Column c holds the times t with floor((t - from_ms) * columns / span) == c.
  std::size_t first = ring.LowerBound(from_ms);
  for (std::int64_t column = 0; column < columns; ++column) {
    const std::int64_t end_ms = from_ms + ((column + 1) * span + columns - 1) / columns;
    const std::size_t last = ring.LowerBound(end_ms);
    if (last == first) continue;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      kAppendExtremes[static_cast<std::size_t>(fields[f])](ring, first, last, clock, points[f]);
    }
    first = last;
  }
  return points;
}

}  // namespace orvane
