#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/telemetry.h"
#include "protocol/pll_dividers.h"

namespace orvane {

// The clock's live status as front ends without a window report it, from the session's latest
// telemetry.
struct LiveStatus {
  bool pll_locked = false;
  bool gnss_signal = false;
  bool holdover = false;  // the PLL locked without a GNSS signal
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

}  // namespace orvane
