#include "engine/holdover.h"

namespace orvane {

bool InHoldover(const ReportStatus& status) {
  return !status.pll_not_locked && status.no_gnss_signal;
}

void HoldoverWatch::Observe(const std::optional<ReportStatus>& status,
                            std::chrono::nanoseconds now) {
  if (!status || !InHoldover(*status)) {
    since_.reset();
  } else if (!since_ && had_signal_) {
    since_ = now;
  }
  had_signal_ = status && !status->no_gnss_signal;
}

std::chrono::nanoseconds HoldoverWatch::Duration(std::chrono::nanoseconds now) const {
  return since_ ? now - *since_ : std::chrono::nanoseconds(0);
}

}  // namespace orvane
