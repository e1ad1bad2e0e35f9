#pragma once

#include <QTimer>
#include <chrono>
#include <optional>

namespace orvane {

// Sets the status timer to the interval an engine operation asked for (none: it keeps its own).
// Setting an interval restarts a running timer, so only a change is set.
void SetPollInterval(QTimer& timer, std::optional<std::chrono::milliseconds> interval);

}  // namespace orvane
