#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace orvane {

// Which connection of the control server a line is for; never reused while the service runs.
using ControlClientId = std::uint64_t;

// Lines for the control server's clients from any thread (a clock's worker with a deferred reply,
// a poll's event): queued under a lock, and the server's thread woken through a pipe, so that no
// producer ever waits for a client.
class ControlOutbox {
 public:
  ControlOutbox();
  ~ControlOutbox();
  ControlOutbox(const ControlOutbox&) = delete;
  ControlOutbox& operator=(const ControlOutbox&) = delete;

  struct Line {
    ControlClientId client = 0;
    std::string text;    // newline included
    bool reply = false;  // the answer the client's next request waits for; else an event
  };
  void Push(ControlClientId client, std::string text, bool reply);
  // The server's thread: every line pushed since the last call, the wake pipe drained.
  std::vector<Line> Take();
  // Readable while lines wait.
  int wake_fd() const { return pipe_[0]; }

 private:
  std::mutex mutex_;
  std::vector<Line> lines_;
  int pipe_[2] = {-1, -1};
};

}  // namespace orvane
