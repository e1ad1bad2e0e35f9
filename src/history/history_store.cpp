#include "history/history_store.h"

#include <chrono>

namespace orvane {

void HistoryStore::Take(const std::string& serial, const UbxMessage& message,
                        const std::optional<ReportStatus>& status) {
  if (!message.sv_info && !message.nav_clock) return;
  std::uint8_t index = 0;
  Clock& clock = ClockOf(serial, index);
  if (message.sv_info) {
    const std::int64_t time_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     message.received.realtime.time_since_epoch())
                                     .count();
    clock.sky.Take(*message.sv_info, time_ms);
  }
  if (std::optional<HistorySample> sample = clock.samples.Take(message, status)) {
    sample->clock = index;
    samples_.Push(*sample);
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
