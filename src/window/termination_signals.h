#pragma once

#include <QWidget>

namespace orvane {

// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, the terminal or session closing) end the program
// the way closing `window` does: its shutdown runs on the GUI thread, then the event loop exits
// with 0. The signal handler only writes to a pipe that the event loop watches; no Qt call runs
// inside it. Elsewhere than on POSIX systems this does nothing.
void CloseOnTerminationSignals(QWidget& window);

}  // namespace orvane
