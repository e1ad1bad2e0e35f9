#include "engine/clock_problem.h"

namespace orvane {

std::string ClockProblemText(const ClockSession::OpenResult& open, bool reports_usable) {
  if (!open.opened && !open.busy_path.empty()) return "in use by " + open.busy_holder;
  if (!open.opened) {
    return open.denied_path.empty()
               ? "cannot be opened"
               : "permission denied: install the udev rule (70-orvane.rules) and replug";
  }
  return reports_usable ? "" : "reports too short for this program";
}

}  // namespace orvane
