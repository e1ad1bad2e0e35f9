#include "cli/live_status_output.h"

#include "control/json_writer.h"
#include "engine/decimal_text.h"

namespace orvane {
namespace {

template <typename T>
void OptionalNumber(JsonWriter& json, const char* key, const std::optional<T>& value) {
  json.Key(key);
  if (value) {
    json.Number(static_cast<double>(*value));
  } else {
    json.Null();
  }
}

}  // namespace

void WriteLiveStatusFields(const LiveStatus& status, JsonWriter& json) {
  json.Key("pll_locked").Bool(status.pll_locked);
  json.Key("gnss_signal").Bool(status.gnss_signal);
  json.Key("signal_loss_count").Integer(status.signal_loss_count);
  OptionalNumber(json, "satellites_used", status.satellites_used);
  OptionalNumber(json, "satellites_seen", status.satellites_seen);
  OptionalNumber(json, "offset_ppb", status.offset_ppb);
  OptionalNumber(json, "accuracy_ppb", status.accuracy_ppb);
  json.Key("utc");
  if (status.utc) {
    json.String(*status.utc);
  } else {
    json.Null();
  }
  OptionalNumber(json, "pll_reference_hz", status.pll_reference_hz);
  OptionalNumber(json, "pll_correction_hz", status.pll_correction_hz);
}

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
