#pragma once

#include <cstdint>

namespace orvane {

// One NAV-CLOCK message with the receiver's state at that moment: what the time series, the CSV
// log and the stability plot are made of. Packed into 32 bytes so that a week at 4 Hz stays well
// inside the memory budget.
struct HistorySample {
  std::int64_t time_ms = 0;        // UTC, milliseconds since the Unix epoch
  float offset_ppb = 0;            // oscillator offset (NAV-CLOCK clkD)
  float offset_accuracy_ppb = 0;   // fAcc in ppb
  std::int32_t clock_bias_ns = 0;  // clkB
  std::uint32_t time_accuracy_ns = 0;
  std::uint16_t mean_cno_centi = 0;  // mean C/N0 of the used satellites, 0.01 dB-Hz; 0 = none
  std::uint16_t signal_loss_count = 0;
  std::uint8_t satellites_used = 0;
  std::uint8_t satellites_seen = 0;
  std::uint8_t flags = 0;  // kPllLocked, kGnssSignalLost
  std::uint8_t clock = 0;  // which clock recorded it (HistoryStore's index)

  static constexpr std::uint8_t kPllLocked = 1u << 0;
  static constexpr std::uint8_t kGnssSignalLost = 1u << 1;

  bool pll_locked() const { return flags & kPllLocked; }
  bool gnss_signal_lost() const { return flags & kGnssSignalLost; }
  double mean_cno() const { return mean_cno_centi / 100.0; }
  bool operator==(const HistorySample&) const = default;
};
static_assert(sizeof(HistorySample) == 32);

}  // namespace orvane
