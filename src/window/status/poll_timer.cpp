#include "window/status/poll_timer.h"

namespace orvane {

void SetPollInterval(QTimer& timer, std::optional<std::chrono::milliseconds> interval) {
  if (interval && timer.interval() != interval->count()) {
    timer.setInterval(static_cast<int>(interval->count()));
  }
}

}  // namespace orvane
