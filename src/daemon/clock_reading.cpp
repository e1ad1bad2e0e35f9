#include "daemon/clock_reading.h"

#include <cmath>
#include <set>
#include <string_view>
#include <utility>

#include "daemon/utc_of_message.h"
#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "engine/live_status.h"
#include "engine/satellite_numbering.h"

namespace orvane {

ClockReading ReadClock(const ServedClock& clock, std::chrono::nanoseconds now) {
  ClockReading reading;
  reading.serial = clock.serial();
  reading.product = clock.identity().product.value_or("");
  reading.version = ReleaseText(clock.identity().release);
  reading.up = clock.connected();
  if (!reading.up) return reading;

  const Telemetry& telemetry = clock.session().telemetry();
  if (const auto& status = telemetry.status()) {
    reading.pll_locked = !status->pll_not_locked;
    reading.gnss_signal_lost = status->no_gnss_signal;
    reading.signal_loss_count = status->signal_loss_count;
  }
  if (const auto& configuration = clock.configuration()) {
    const FrequencyValues values = FrequencyValuesOf(configuration->dividers);
    // Dividers of 0 (an unprogrammed clock) give no frequency at all.
    if (std::isfinite(values.output_hz)) reading.output_frequency_hz = values.output_hz;
    reading.pll_reference_frequency_hz =
        LiveStatusOf(telemetry, configuration->dividers).pll_reference_hz;
  }
  const ServedClock::HeardAt& heard = clock.heard_at();
  const auto fresh = [&](std::chrono::nanoseconds heard_at) {
    return now - heard_at < kReadingStaleAfter;
  };
  if (const auto& nav = telemetry.nav_clock(); nav && fresh(heard.nav_clock)) {
    reading.offset_ppb = nav->value.clk_d;
    reading.offset_accuracy_ppb = nav->value.f_acc / 1000.0;  // ps/s
    reading.clock_bias_seconds = nav->value.clk_b * 1e-9;
    reading.time_accuracy_seconds = nav->value.t_acc * 1e-9;
  }
  if (const auto& sv_info = telemetry.sv_info(); sv_info && fresh(heard.sv_info)) {
    const SatelliteCounts counts = CountSatellites(sv_info->value);
    std::set<std::pair<std::string_view, int>> named;
    for (const SvInfoChannel& channel : sv_info->value.Channels()) {
      if (channel.cno == 0) continue;
      const auto name = SatelliteNameOf(channel.svid);
      // A satellite on two channels is one series.
      if (name && named.emplace(name->gnss, name->number).second) {
        reading.satellites.push_back({.gnss = name->gnss,
                                      .sv = name->number,
                                      .cn0_dbhz = channel.cno,
                                      .elevation_degrees = channel.elevation});
      }
    }
    reading.satellites_used = counts.used;
    reading.satellites_seen = counts.seen;
  }
  if (const auto& time = telemetry.time_utc(); time && fresh(heard.time_utc)) {
    if (const std::optional<RealTime> utc = UtcOfMessage(time->value)) {
      reading.last_utc_seconds = std::chrono::duration<double>(utc->time_since_epoch()).count();
    }
  }
  return reading;
}

}  // namespace orvane
