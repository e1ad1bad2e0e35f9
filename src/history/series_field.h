#pragma once

#include <cstddef>
#include <limits>

#include "history/history_sample.h"

namespace orvane {

// A quantity the time series plot draws from the samples.
enum class SeriesField {
  kOffsetPpb,
  kOffsetLowPpb,   // offset minus its accuracy: the band's lower edge
  kOffsetHighPpb,  // offset plus its accuracy: the band's upper edge
  kClockBiasNs,
  kTimeAccuracyNs,
  kSatellitesUsed,
  kSatellitesSeen,
  kMeanCno,
  kPllUnlocked,     // 1 while the PLL is not locked
  kGnssSignalLost,  // the last: kSeriesFields counts them
};

inline constexpr std::size_t kSeriesFields = 10;

// The field's value; NaN where the sample has none (no mean C/N0 without a satellite in use).
// Inline: decimation calls it per sample with a constant field.
inline double FieldValue(const HistorySample& sample, SeriesField field) {
  switch (field) {
    case SeriesField::kOffsetPpb:
      return sample.offset_ppb;
    case SeriesField::kOffsetLowPpb:
      return static_cast<double>(sample.offset_ppb) - sample.offset_accuracy_ppb;
    case SeriesField::kOffsetHighPpb:
      return static_cast<double>(sample.offset_ppb) + sample.offset_accuracy_ppb;
    case SeriesField::kClockBiasNs:
      return sample.clock_bias_ns;
    case SeriesField::kTimeAccuracyNs:
      return sample.time_accuracy_ns;
    case SeriesField::kSatellitesUsed:
      return sample.satellites_used;
    case SeriesField::kSatellitesSeen:
      return sample.satellites_seen;
    case SeriesField::kMeanCno:
      return sample.satellites_used > 0 ? sample.mean_cno()
                                        : std::numeric_limits<double>::quiet_NaN();
    case SeriesField::kPllUnlocked:
      return sample.pll_locked() ? 0.0 : 1.0;
    case SeriesField::kGnssSignalLost:
      return sample.gnss_signal_lost() ? 1.0 : 0.0;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace orvane
