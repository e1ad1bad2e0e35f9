#include "daemon/clock_metrics.h"

#include <map>
#include <optional>

#include "device/hid/wide_text.h"
#include "service/metrics_text.h"

namespace orvane {
namespace {

using Type = MetricsText::Type;

struct ClockSeries {
  const char* name;
  Type type;
  const char* help;
  std::optional<double> (*value)(const ClockReading&);
};

template <typename T>
std::optional<double> AsNumber(const std::optional<T>& value) {
  if (!value) return std::nullopt;
  return static_cast<double>(*value);
}

// One series a clock, in the order they are exposed.
const ClockSeries kClockSeries[] = {
    {"orvane_up", Type::kGauge,
     "1 while the clock is attached and polled, 0 while it is being looked for again.",
     [](const ClockReading& r) -> std::optional<double> { return r.up ? 1 : 0; }},
    {"orvane_pll_locked", Type::kGauge, "1 while the output PLL reports lock.",
     [](const ClockReading& r) { return AsNumber(r.pll_locked); }},
    {"orvane_gnss_signal_lost", Type::kGauge, "1 while the clock reports loss of GNSS signal.",
     [](const ClockReading& r) { return AsNumber(r.gnss_signal_lost); }},
    {"orvane_signal_loss_total", Type::kCounter,
     "GNSS signal losses counted by the clock since its power-up (8 bits, wraps).",
     [](const ClockReading& r) { return AsNumber(r.signal_loss_count); }},
    {"orvane_oscillator_offset_ppb", Type::kGauge,
     "Oscillator frequency offset measured by the receiver (NAV-CLOCK drift), in ppb.",
     [](const ClockReading& r) { return r.offset_ppb; }},
    {"orvane_oscillator_offset_accuracy_ppb", Type::kGauge,
     "Receiver's estimate of the offset's accuracy, in ppb.",
     [](const ClockReading& r) { return r.offset_accuracy_ppb; }},
    {"orvane_receiver_clock_bias_seconds", Type::kGauge,
     "Receiver clock bias against GNSS time (NAV-CLOCK).",
     [](const ClockReading& r) { return r.clock_bias_seconds; }},
    {"orvane_time_accuracy_seconds", Type::kGauge, "Receiver's time accuracy estimate.",
     [](const ClockReading& r) { return r.time_accuracy_seconds; }},
    {"orvane_satellites_used", Type::kGauge, "Satellites used in the navigation solution.",
     [](const ClockReading& r) { return AsNumber(r.satellites_used); }},
    {"orvane_satellites_seen", Type::kGauge, "Satellites received with a signal.",
     [](const ClockReading& r) { return AsNumber(r.satellites_seen); }},
    {"orvane_output_frequency_hz", Type::kGauge,
     "Output frequency of the stored PLL dividers, in hertz.",
     [](const ClockReading& r) { return r.output_frequency_hz; }},
    {"orvane_pll_reference_frequency_hz", Type::kGauge,
     "PLL reference frequency as the receiver measures it, in hertz.",
     [](const ClockReading& r) { return r.pll_reference_frequency_hz; }},
    {"orvane_last_utc_timestamp_seconds", Type::kGauge,
     "UTC of the receiver's latest valid time message, as a Unix timestamp.",
     [](const ClockReading& r) { return r.last_utc_seconds; }},
    {"orvane_device_reconnects_total", Type::kCounter,
     "Times the clock was found again after its link was lost.",
     [](const ClockReading& r) -> std::optional<double> {
       return static_cast<double>(r.reconnects);
     }},
    {"orvane_chrony_samples_total", Type::kCounter, "Time samples sent to chronyd.",
     [](const ClockReading& r) -> std::optional<double> {
       return static_cast<double>(r.chrony_samples);
     }},
    {"orvane_holdover_seconds", Type::kGauge,
     "Seconds the PLL has kept its lock without a GNSS signal; 0 when not in holdover.",
     [](const ClockReading& r) { return r.holdover_seconds; }},
};

// Families of one counter a clock and label value.
struct CountedSeries {
  const char* name;
  const char* help;
  const char* label;
  std::map<std::string, std::uint64_t> ClockReading::*counts;
};

const CountedSeries kCountedSeries[] = {
    {"orvane_chrony_samples_held_total", "Time samples held back from chronyd, by reason.",
     "reason", &ClockReading::samples_held},
    {"orvane_alarms_total", "Alarm events raised, by event.", "event", &ClockReading::alarms},
};

struct SatelliteSeries {
  const char* name;
  const char* help;
  int SatelliteReading::*value;
};

const SatelliteSeries kSatelliteSeries[] = {
    {"orvane_satellite_cn0_dbhz", "Carrier-to-noise density of a received satellite, in dB-Hz.",
     &SatelliteReading::cn0_dbhz},
    {"orvane_satellite_elevation_degrees", "Elevation of a received satellite, in degrees.",
     &SatelliteReading::elevation_degrees},
};

}  // namespace

std::string ClockMetricsText(std::span<const ClockReading> readings) {
  // A device's texts follow the low-byte rule; Prometheus labels must be UTF-8.
  std::vector<ClockReading> clocks(readings.begin(), readings.end());
  for (ClockReading& clock : clocks) {
    clock.serial = ValidUtf8(clock.serial);
    clock.product = ValidUtf8(clock.product);
  }
  MetricsText text;
  text.Family("orvane_info", Type::kGauge, "The clock's product and firmware version; always 1.");
  for (const ClockReading& clock : clocks) {
    text.Sample("orvane_info",
                {{"serial", clock.serial}, {"product", clock.product}, {"version", clock.version}},
                1);
  }
  for (const ClockSeries& series : kClockSeries) {
    text.Family(series.name, series.type, series.help);
    for (const ClockReading& clock : clocks) {
      if (const std::optional<double> value = series.value(clock)) {
        text.Sample(series.name, {{"serial", clock.serial}}, *value);
      }
    }
  }
  for (const SatelliteSeries& series : kSatelliteSeries) {
    text.Family(series.name, Type::kGauge, series.help);
    for (const ClockReading& clock : clocks) {
      for (const SatelliteReading& satellite : clock.satellites) {
        const std::string sv = std::to_string(satellite.sv);
        text.Sample(series.name, {{"serial", clock.serial}, {"gnss", satellite.gnss}, {"sv", sv}},
                    satellite.*series.value);
      }
    }
  }
  for (const CountedSeries& series : kCountedSeries) {
    text.Family(series.name, Type::kCounter, series.help);
    for (const ClockReading& clock : clocks) {
      for (const auto& [value, count] : clock.*series.counts) {
        text.Sample(series.name, {{"serial", clock.serial}, {series.label, value}},
                    static_cast<double>(count));
      }
    }
  }
  return text.text();
}

}  // namespace orvane
