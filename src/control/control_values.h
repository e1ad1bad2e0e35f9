#pragma once

#include <optional>

#include "control/json_value.h"
#include "control/json_writer.h"
#include "engine/frequency_displays.h"
#include "engine/live_status.h"
#include "protocol/config_report.h"

namespace orvane {

// {"gps": ..., "n31": ..., ..., "bw": ...}, with nc2_ls only when `with_nc2_ls`.
void WriteDividers(JsonWriter& json, const PllDividers& dividers, bool with_nc2_ls = true);
// "output_hz", "f3_hz", "fosc_hz" into an open object.
void WriteFrequencyFields(JsonWriter& json, const FrequencyValues& values);

// A clock's stored configuration as the control protocol carries it: the engine's values, each
// field by name ("output_flags", "drive_index", "dividers" {"gps", ..., "bw"},
// "tcxo_correction", "constellation_mask"), never the report's bytes.
void WriteConfiguration(JsonWriter& json, const DeviceConfiguration& configuration);
// nullopt when a field is missing or out of its type's range.
std::optional<DeviceConfiguration> ConfigurationFromJson(const JsonValue& value);
// The "dividers" object alone ("gps", ..., "nc2_ls", "bw"); nullopt as above.
std::optional<PllDividers> DividersFromJson(const JsonValue& value);

// A clock's live status as the control protocol and `orvanectl --json` carry it, written into an
// object the caller opened: "pll_locked", "gnss_signal", "signal_loss_count", "satellites_used",
// "satellites_seen", "offset_ppb", "accuracy_ppb", "utc", "pll_reference_hz",
// "pll_correction_hz" (null where not known yet).
void WriteLiveStatusFields(const LiveStatus& status, JsonWriter& json);

}  // namespace orvane
