#include "history/history_store.h"

#include <chrono>
#include <cmath>

namespace orvane {

void HistoryStore::Take(const std::string& serial, const UbxMessage& message,
                        const std::optional<ReportStatus>& status) {
  if (!message.sv_info && !message.nav_clock) return;
  std::uint8_t index = 0;
  Clock& clock = ClockOf(serial, index);
  const std::int64_t time_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   message.received.realtime.time_since_epoch())
                                   .count();
  if (message.sv_info) {
    clock.sky.Take(*message.sv_info, time_ms);
    int used = 0, seen = 0, cno_sum = 0;
    for (const SvInfoChannel& channel : message.sv_info->Channels()) {
      if (channel.cno == 0) continue;
      ++seen;
      if (!(channel.flags & kSvInfoUsedForNavigation)) continue;
      ++used;
      cno_sum += channel.cno;
    }
    clock.used = static_cast<std::uint8_t>(used);
    clock.seen = static_cast<std::uint8_t>(seen);
    clock.mean_cno_centi =
        used == 0 ? 0 : static_cast<std::uint16_t>(std::lround(100.0 * cno_sum / used));
  }
  if (const NavClock* nav = message.nav_clock) {
    HistorySample sample{.time_ms = time_ms,
                         .offset_ppb = static_cast<float>(nav->clk_d),
                         .offset_accuracy_ppb = static_cast<float>(nav->f_acc / 1000.0),
                         .clock_bias_ns = nav->clk_b,
                         .time_accuracy_ns = nav->t_acc,
                         .mean_cno_centi = clock.mean_cno_centi,
                         .signal_loss_count = status ? status->signal_loss_count : std::uint8_t{0},
                         .satellites_used = clock.used,
                         .satellites_seen = clock.seen,
                         .clock = index};
    // Before the first status report nothing is known of the PLL: not locked, as the window shows.
    if (status && !status->pll_not_locked) sample.flags |= HistorySample::kPllLocked;
    if (status && status->no_gnss_signal) sample.flags |= HistorySample::kGnssSignalLost;
    samples_.Push(sample);
    ++revision_;
  }
}

std::optional<std::uint8_t> HistoryStore::ClockIndex(const std::string& serial) const {
  for (std::size_t i = 0; i < clocks_.size(); ++i) {
    if (clocks_[i].serial == serial) return static_cast<std::uint8_t>(i);
  }
  return std::nullopt;
}

HistoryStore::Clock& HistoryStore::ClockOf(const std::string& serial, std::uint8_t& index) {
  if (const std::optional<std::uint8_t> known = ClockIndex(serial)) {
    index = *known;
  } else {
    // A tag is a byte: past 256 clocks in one run the last tag is shared.
    if (clocks_.size() < 256) {
      clocks_.emplace_back();
      clocks_.back().serial = serial;
    }
    index = static_cast<std::uint8_t>(clocks_.size() - 1);
  }
  return clocks_[index];
}

}  // namespace orvane
