#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/telemetry.h"
#include "protocol/config_report.h"

namespace orvane {

class JsonWriter;

// The clock's live status as show and monitor print it, from the session's latest telemetry.
struct LiveStatus {
  bool pll_locked = false;
  bool gnss_signal = false;
  int signal_loss_count = 0;
  std::optional<int> satellites_used;  // channels used for navigation (C/N0 above 0)
  std::optional<int> satellites_seen;  // channels with a C/N0 above 0
  std::optional<std::int32_t> offset_ppb;
  std::optional<double> accuracy_ppb;
  std::optional<std::string> utc;  // ISO 8601, while the receiver's UTC time is valid
  std::optional<double> pll_reference_hz;
  std::optional<double> pll_correction_hz;
};

// `dividers` are the stored ones the PLL reference is computed from.
LiveStatus LiveStatusOf(const Telemetry& telemetry, const PllDividers& dividers);

// The status's JSON fields, written into an object the caller opened.
void WriteLiveStatusFields(const LiveStatus& status, JsonWriter& json);

// Texts for people: "-" where nothing is known yet.
std::string SatellitesText(const LiveStatus& status);
std::string OffsetText(const LiveStatus& status);
std::string AccuracyText(const LiveStatus& status);
std::string PllReferenceText(const LiveStatus& status);

}  // namespace orvane
