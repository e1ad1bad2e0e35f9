#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "control/control_protocol.h"
#include "control/request_reader.h"
#include "daemon/control_outbox.h"
#include "service/journal_log.h"

namespace orvane {

// The group whose members may change clocks through the control socket.
inline constexpr char kControlGroup[] = "orvane";

// Who sent a request, from the socket's peer credentials, and on which socket.
struct ControlPeer {
  uid_t uid = 0;
  gid_t gid = 0;
  pid_t pid = 0;
  bool writable = false;  // came on PATH, not PATH.ro
  ControlClientId client = 0;
};

struct ControlLimits {
  std::size_t max_clients = 32;
  std::size_t max_clients_per_uid = 8;
  std::size_t max_line = kMaxRequestLineBytes;
  // Replies waiting for a client beyond this: the client is dropped, not waited for.
  std::size_t max_queued_bytes = 1 << 20;
  // A client that holds a line this long without finishing it is dropped: it would keep its
  // place among the bounded clients while sending nothing.
  std::chrono::milliseconds partial_line_limit{10'000};
};

// orvaned's control sockets: PATH (mode 0660, group orvane where it exists) takes every request,
// PATH.ro (0666) only those that change nothing. One thread accepts and reads every client with
// poll(); each well-formed request goes to the handler, whose reply line is queued for the
// client, at once or, when a clock's worker answers it, later through the outbox (the client's
// next requests wait for it, so that replies stay in order; events go out meanwhile). A malformed
// or too long line gets an error reply, a change asked on PATH.ro is refused, a client over the
// limits is turned away or dropped; none of it touches the service.
class ControlServer {
 public:
  // Returns the reply line (newline included) to a request, or nullopt when the reply will be
  // pushed to the outbox for `peer.client`.
  using Handler =
      std::function<std::optional<std::string>(const ControlRequest&, const ControlPeer&)>;
  // Told on the server's thread when a client's connection ends, for whatever it held.
  using Closed = std::function<void(ControlClientId)>;

  // Binds both sockets (a stale socket file is replaced, a live one is an error) and starts the
  // thread; nullptr and `*error` when a socket cannot be made. Without an outbox the server
  // makes its own (every reply then comes from the handler).
  static std::unique_ptr<ControlServer> Start(const std::string& path, const ControlLimits& limits,
                                              Handler handler, JournalLog& log, std::string* error,
                                              std::shared_ptr<ControlOutbox> outbox = nullptr,
                                              Closed closed = nullptr);
  // Ends the thread, closes every client and removes both socket files.
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

 private:
  struct Sockets;
  ControlServer(std::unique_ptr<Sockets> sockets, const ControlLimits& limits, Handler handler,
                JournalLog& log, std::shared_ptr<ControlOutbox> outbox, Closed closed);
  void Run();

  std::unique_ptr<Sockets> sockets_;
  const ControlLimits limits_;
  const Handler handler_;
  const std::shared_ptr<ControlOutbox> outbox_;
  const Closed closed_;
  JournalLog& log_;
  std::thread thread_;
};

// The reply to a change asked on the read-only socket: which socket and group allow it.
ControlError ReadOnlyRefusal(const OperationSpec& operation, const std::string& path);

}  // namespace orvane
