#include "cli/termination_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace orvane {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

int pipe_ends[2] = {-1, -1};
struct sigaction previous[2];

extern "C" void NoteSignal(int) {
  const int saved_errno = errno;
  const char byte = 1;
  // A full pipe already says that a signal came.
  [[maybe_unused]] const ssize_t written = write(pipe_ends[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

TerminationWatch::TerminationWatch() {
  if (pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action = {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &action, &previous[i]);
}

TerminationWatch::~TerminationWatch() {
  if (pipe_ends[0] < 0) return;
  for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &previous[i], nullptr);
  close(pipe_ends[0]);
  close(pipe_ends[1]);
  pipe_ends[0] = pipe_ends[1] = -1;
}

bool TerminationWatch::Requested() {
  if (requested_ || pipe_ends[0] < 0) return requested_;
  pollfd read_end = {pipe_ends[0], POLLIN, 0};
  requested_ = poll(&read_end, 1, 0) > 0;
  return requested_;
}

}  // namespace orvane
