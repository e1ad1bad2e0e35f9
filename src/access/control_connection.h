#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/json_value.h"
#include "control/json_writer.h"
#include "control/request_reader.h"

namespace orvane {

// One connection to orvaned's control socket: requests out, their replies back in order, and
// the events a subscription sends between replies kept until they are asked for.
class ControlConnection {
 public:
  // A poll event carries a tick's reports as hex: far longer than any request.
  static constexpr std::size_t kMaxLineBytes = 1 << 20;
  // How long a reply may take: an operation runs whole between the service's polls.
  static constexpr std::chrono::seconds kReplyWait{30};

  // Connects to the socket at `path` and says hello; nullptr with the reason in `*error`
  // (`*denied` set when the socket's permissions keep this user out).
  static std::unique_ptr<ControlConnection> Open(const std::string& path, std::string* error,
                                                 bool* denied = nullptr);
  ~ControlConnection();
  ControlConnection(const ControlConnection&) = delete;
  ControlConnection& operator=(const ControlConnection&) = delete;

  const std::string& path() const { return path_; }
  bool writable() const { return writable_; }
  // Whether the service has closed the connection (or it failed).
  bool closed() const { return closed_; }
  // A front end that must not hang waits less for a reply than kReplyWait.
  void set_reply_wait(std::chrono::milliseconds wait) { reply_wait_ = wait; }

  // Sends the request `op` on `serial` (none: the service's choice) with the members `args`
  // writes, and returns its reply; nullopt when the connection failed or the reply did not come.
  using Members = std::function<void(JsonWriter&)>;
  std::optional<JsonValue> Ask(std::string_view op, const std::optional<std::string>& serial,
                               const Members& args = {});
  // The next event line, waiting at most `wait` for it (zero: only what has arrived); nullopt
  // when none came.
  std::optional<JsonValue> NextEvent(std::chrono::milliseconds wait);

 private:
  ControlConnection(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  // The next line from the service, waiting until `deadline`; nullopt when none came.
  std::optional<JsonValue> ReadLine(std::chrono::steady_clock::time_point deadline);

  int fd_;
  std::string path_;
  bool writable_ = false;
  bool closed_ = false;
  std::chrono::milliseconds reply_wait_ = kReplyWait;
  std::int64_t next_id_ = 1;
  RequestReader reader_{kMaxLineBytes};
  std::deque<JsonValue> events_;
};

}  // namespace orvane
