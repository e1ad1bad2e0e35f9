#include "daemon/control_outbox.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace orvane {

ControlOutbox::ControlOutbox() {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
}

ControlOutbox::~ControlOutbox() {
  close(pipe_[0]);
  close(pipe_[1]);
}

void ControlOutbox::Push(ControlClientId client, std::string text, bool reply) {
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = lines_.empty();
    lines_.push_back({client, std::move(text), reply});
  }
  // One byte per batch: a full pipe already wakes the server.
  const char wake = 1;
  if (first) {
    [[maybe_unused]] const ssize_t written = write(pipe_[1], &wake, 1);
  }
}

std::vector<ControlOutbox::Line> ControlOutbox::Take() {
  char drain[64];
  while (read(pipe_[0], drain, sizeof drain) > 0) {
  }
  std::lock_guard lock(mutex_);
  return std::exchange(lines_, {});
}

}  // namespace orvane
