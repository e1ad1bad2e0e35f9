#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "history/sample_ring.h"
#include "history/series_field.h"

namespace orvane {

struct PlotPoint {
  std::int64_t time_ms = 0;
  double value = 0;
  bool operator==(const PlotPoint&) const = default;
};

// What a plot `columns` pixels wide draws of one clock's `fields` over [from_ms, to_ms), one list
// per field: per pixel column the sample with the smallest and the one with the largest value, in
// the order they occurred, so that a line through the points covers every column's full range and
// no glitch disappears. Columns without samples give no points. One pass over the samples in the
// range for all fields.
std::vector<std::vector<PlotPoint>> DecimateMinMax(const SampleRing& ring, std::uint8_t clock,
                                                   std::span<const SeriesField> fields,
                                                   std::int64_t from_ms, std::int64_t to_ms,
                                                   int columns);

}  // namespace orvane
