#pragma once

#include <chrono>
#include <optional>

#include "protocol/status_report.h"

namespace orvane {

// Holdover: the PLL keeps its output locked while the receiver has no GNSS signal, so the
// output runs on the oscillator alone.
bool InHoldover(const ReportStatus& status);

// How long a clock has been in holdover, from its status reports over time: it begins when the
// signal goes while the PLL is locked (not while a receiver is still acquiring after power-up)
// and ends with the signal's return or the loss of lock.
class HoldoverWatch {
 public:
  // The clock's latest status at monotonic time `now`; none: not known, not in holdover.
  void Observe(const std::optional<ReportStatus>& status, std::chrono::nanoseconds now);
  bool active() const { return since_.has_value(); }
  // 0 when not in holdover.
  std::chrono::nanoseconds Duration(std::chrono::nanoseconds now) const;

 private:
  std::optional<std::chrono::nanoseconds> since_;
  bool had_signal_ = false;
};

}  // namespace orvane
