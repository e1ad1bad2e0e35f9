#include "engine/live_status.h"

#include <cstdio>

#include "engine/holdover.h"
#include "engine/label29_caption.h"

namespace orvane {
namespace {

constexpr std::uint8_t kUtcValid = 0x04;

}  // namespace

LiveStatus LiveStatusOf(const Telemetry& telemetry, const PllDividers& dividers) {
  LiveStatus status;
  status.pll_locked = telemetry.pll_locked();
  if (const auto& report = telemetry.status()) {
    status.gnss_signal = !report->no_gnss_signal;
    status.holdover = InHoldover(*report);
    status.signal_loss_count = report->signal_loss_count;
  }
  if (const auto& sv_info = telemetry.sv_info()) {
    const SatelliteCounts counts = CountSatellites(sv_info->value);
    status.satellites_used = counts.used;
    status.satellites_seen = counts.seen;
  }
  if (const auto& clock = telemetry.nav_clock()) {
    status.offset_ppb = clock->value.clk_d;
    status.accuracy_ppb = clock->value.f_acc / 1000.0;  // ps/s
  }
  if (const auto& time = telemetry.time_utc(); time && (time->value.valid & kUtcValid)) {
    const NavTimeUtc& utc = time->value;
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned{utc.year},
                  unsigned{utc.month}, unsigned{utc.day}, unsigned{utc.hour}, unsigned{utc.min},
                  unsigned{utc.sec});
    status.utc = text;
  }
  if (const auto& counts = telemetry.pll_reference()) {
    const ReferenceDividers fields = {
        .n2_hs = dividers.n2_hs, .gps = dividers.gps, .n2_ls = dividers.n2_ls};
    if (const auto reference = PllReferenceFrequenciesOf(*counts, fields)) {
      status.pll_reference_hz = reference->reference_hz;
      status.pll_correction_hz = reference->correction_hz;
    }
  }
  return status;
}

}  // namespace orvane
