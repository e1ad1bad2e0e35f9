#include "window/termination_signals.h"

#include <QCoreApplication>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#endif

namespace orvane {

#if defined(__unix__) || defined(__APPLE__)
namespace {

int signal_pipe[2] = {-1, -1};

void WriteSignal(int number) {
  const int saved_errno = errno;
  const char byte = static_cast<char>(number);
  // Async-signal-safe; a full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

void CloseOnTerminationSignals(QWidget& window) {
  if (signal_pipe[0] < 0) {
    if (pipe(signal_pipe) != 0) return;
    for (int end : signal_pipe) {
      fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
      fcntl(end, F_SETFD, FD_CLOEXEC);
    }
  }
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char bytes[16];
    while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
    window.close();
    QCoreApplication::exit(0);
  });
  struct sigaction action = {};
  action.sa_handler = WriteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

#else

void CloseOnTerminationSignals(QWidget&) {}

#endif

}  // namespace orvane
