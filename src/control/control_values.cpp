#include "control/control_values.h"

#include <cstdint>

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

template <typename T>
bool Read(const JsonValue& object, std::string_view name, T& field) {
  const std::optional<T> value = WholeMember<T>(object, name);
  if (value) field = *value;
  return value.has_value();
}

}  // namespace

void WriteLiveStatusFields(const LiveStatus& status, JsonWriter& json) {
  json.Key("pll_locked").Bool(status.pll_locked);
  json.Key("gnss_signal").Bool(status.gnss_signal);
  json.Key("holdover").Bool(status.holdover);
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

void WriteDividers(JsonWriter& json, const PllDividers& dividers, bool with_nc2_ls) {
  json.BeginObject();
  json.Key("gps").Integer(dividers.gps);
  json.Key("n31").Integer(dividers.n31);
  json.Key("n2_hs").Integer(dividers.n2_hs);
  json.Key("n2_ls").Integer(dividers.n2_ls);
  json.Key("n1_hs").Integer(dividers.n1_hs);
  json.Key("nc1_ls").Integer(dividers.nc1_ls);
  if (with_nc2_ls) json.Key("nc2_ls").Integer(dividers.nc2_ls);
  json.Key("bw").Integer(dividers.bw);
  json.EndObject();
}

void WriteFrequencyFields(JsonWriter& json, const FrequencyValues& values) {
  json.Key("output_hz").Number(values.output_hz);
  json.Key("f3_hz").Number(values.f3_hz);
  json.Key("fosc_hz").Number(values.fosc_hz);
}

void WriteConfiguration(JsonWriter& json, const DeviceConfiguration& configuration) {
  json.BeginObject();
  json.Key("output_flags").Integer(configuration.output_flags);
  json.Key("drive_index").Integer(configuration.drive_index);
  WriteDividers(json.Key("dividers"), configuration.dividers);
  json.Key("tcxo_correction").Integer(configuration.tcxo_correction);
  json.Key("constellation_mask").Integer(configuration.ConstellationMask);
  json.EndObject();
}

std::optional<PllDividers> DividersFromJson(const JsonValue& value) {
  PllDividers dividers;
  const bool whole = Read(value, "gps", dividers.gps) && Read(value, "n31", dividers.n31) &&
                     Read(value, "n2_hs", dividers.n2_hs) && Read(value, "n2_ls", dividers.n2_ls) &&
                     Read(value, "n1_hs", dividers.n1_hs) &&
                     Read(value, "nc1_ls", dividers.nc1_ls) &&
                     Read(value, "nc2_ls", dividers.nc2_ls) && Read(value, "bw", dividers.bw);
  if (!whole) return std::nullopt;
  return dividers;
}

std::optional<DeviceConfiguration> ConfigurationFromJson(const JsonValue& value) {
  DeviceConfiguration configuration;
  const JsonValue* divider_object = value.Find("dividers");
  const std::optional<PllDividers> dividers =
      divider_object ? DividersFromJson(*divider_object) : std::nullopt;
  const bool whole = dividers && Read(value, "output_flags", configuration.output_flags) &&
                     Read(value, "drive_index", configuration.drive_index) &&
                     Read(value, "tcxo_correction", configuration.tcxo_correction) &&
                     Read(value, "constellation_mask", configuration.ConstellationMask);
  if (!whole) return std::nullopt;
  configuration.dividers = *dividers;
  return configuration;
}

}  // namespace orvane
