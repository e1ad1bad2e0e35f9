#include "daemon/stop_signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>

namespace orvane {

StopSignals::StopSignals() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  fd_ = signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
}

StopSignals::~StopSignals() {
  if (fd_ >= 0) close(fd_);
}

bool StopSignals::WaitUntil(const MonotonicClock& clock, std::chrono::nanoseconds deadline) {
  const auto wait = std::max(deadline - clock.Now(), std::chrono::nanoseconds(0));
  const auto seconds = std::chrono::floor<std::chrono::seconds>(wait);
  const timespec timeout{static_cast<time_t>(seconds.count()),
                         static_cast<long>((wait - seconds).count())};
  pollfd watched{fd_, POLLIN, 0};
  if (ppoll(&watched, 1, &timeout, nullptr) > 0) {
    signalfd_siginfo info{};
    if (read(fd_, &info, sizeof info) == sizeof info) signal_ = static_cast<int>(info.ssi_signo);
  }
  return signal_ == 0;
}

}  // namespace orvane
