#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "daemon/served_clock.h"

namespace orvane {

struct SatelliteReading {
  std::string gnss;
  int sv = 0;
  int cn0_dbhz = 0;
  int elevation_degrees = 0;
};

// One clock as the metrics show it, copied on the poll loop's thread so that the HTTP threads
// never touch a session. Values the clock has not reported lately are empty.
struct ClockReading {
  std::string serial;
  std::string product;
  std::string version;
  bool up = false;
  std::optional<bool> pll_locked;
  std::optional<bool> gnss_signal_lost;
  std::optional<int> signal_loss_count;
  std::optional<double> offset_ppb;
  std::optional<double> offset_accuracy_ppb;
  std::optional<double> clock_bias_seconds;
  std::optional<double> time_accuracy_seconds;
  std::optional<int> satellites_used;
  std::optional<int> satellites_seen;
  std::vector<SatelliteReading> satellites;  // those received in the latest NAV-SVINFO
  std::optional<double> output_frequency_hz;
  std::optional<double> pll_reference_frequency_hz;
  std::optional<double> last_utc_seconds;
  std::uint64_t reconnects = 0;
  std::uint64_t chrony_samples = 0;
  std::map<std::string, std::uint64_t> samples_held;  // by reason
  std::optional<double> holdover_seconds;             // 0 when not in holdover
  std::map<std::string, std::uint64_t> alarms;        // by event name
};

// A receiver message older than this no longer describes the clock.
inline constexpr std::chrono::seconds kReadingStaleAfter{10};

// `clock` at monotonic time `now`; the counters are the loop's to fill.
ClockReading ReadClock(const ServedClock& clock, std::chrono::nanoseconds now);

}  // namespace orvane
