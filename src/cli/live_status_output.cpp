#include "cli/live_status_output.h"

#include "engine/decimal_text.h"

namespace orvane {

std::string SatellitesText(const LiveStatus& status) {
  if (!status.satellites_used) return "-";
  return std::to_string(*status.satellites_used) + " used, " +
         std::to_string(*status.satellites_seen) + " seen";
}

std::string OffsetText(const LiveStatus& status) {
  return status.offset_ppb ? std::to_string(*status.offset_ppb) + " ppb" : "-";
}

std::string AccuracyText(const LiveStatus& status) {
  return status.accuracy_ppb ? FormatThreeDecimals(*status.accuracy_ppb) + " ppb" : "-";
}

std::string PllReferenceText(const LiveStatus& status) {
  if (!status.pll_reference_hz) return "-";
  return FormatThreeDecimals(*status.pll_reference_hz) + " Hz, correction " +
         FormatThreeDecimals(*status.pll_correction_hz) + " Hz";
}

}  // namespace orvane
