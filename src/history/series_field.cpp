#include "history/series_field.h"

#include <limits>

namespace orvane {

double FieldValue(const HistorySample& sample, SeriesField field) {
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
