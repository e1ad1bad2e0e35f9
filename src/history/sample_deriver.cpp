#include "history/sample_deriver.h"

#include <chrono>
#include <cmath>

namespace orvane {

std::optional<HistorySample> SampleDeriver::Take(const UbxMessage& message,
                                                 const std::optional<ReportStatus>& status) {
  if (message.sv_info) {
    const SatelliteCounts counts = CountSatellites(*message.sv_info);
    used_ = static_cast<std::uint8_t>(counts.used);
    seen_ = static_cast<std::uint8_t>(counts.seen);
    mean_cno_centi_ =
        counts.used == 0
            ? 0
            : static_cast<std::uint16_t>(std::lround(100.0 * counts.used_cno_sum / counts.used));
  }
  const NavClock* nav = message.nav_clock;
  if (!nav) return std::nullopt;
  HistorySample sample{.time_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      message.received.realtime.time_since_epoch())
                                      .count(),
                       .offset_ppb = static_cast<float>(nav->clk_d),
                       .offset_accuracy_ppb = static_cast<float>(nav->f_acc / 1000.0),
                       .clock_bias_ns = nav->clk_b,
                       .time_accuracy_ns = nav->t_acc,
                       .mean_cno_centi = mean_cno_centi_,
                       .signal_loss_count = status ? status->signal_loss_count : std::uint8_t{0},
                       .satellites_used = used_,
                       .satellites_seen = seen_};
  // Before the first status report nothing is known of the PLL: not locked, as the window shows.
  if (status && !status->pll_not_locked) sample.flags |= HistorySample::kPllLocked;
  if (status && status->no_gnss_signal) sample.flags |= HistorySample::kGnssSignalLost;
  return sample;
}

}  // namespace orvane
