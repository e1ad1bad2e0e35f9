#pragma once

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
  kPllUnlocked,  // 1 while the PLL is not locked
  kGnssSignalLost,
};

// The field's value; NaN where the sample has none (no mean C/N0 without a satellite in use).
double FieldValue(const HistorySample& sample, SeriesField field);

}  // namespace orvane
