#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "service/listen_address.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace orvane {

// Serves the metrics over HTTP, read-only, on a thread of its own (libmicrohttpd): `GET /metrics`
// (the text the render function returns at that moment) and `GET /`, a page that links it. Every
// other path is 404, every other method on those two 405, a request with a body 413; nothing a
// client sends goes further than this class. Every input is bounded: connections in total and
// per peer address, the request head's size (which bounds the header count too), the time a
// connection may stay silent and the time it may take for a request. Range is ignored: one
// request gets at most one copy of the page.
class MetricsServer {
 public:
  using Render = std::function<std::string()>;

  static constexpr unsigned kMaxConnections = 64;
  static constexpr unsigned kMaxConnectionsPerPeer = 8;
  // The request line and headers must fit in this; a bigger head is refused.
  static constexpr std::size_t kMaxHeadBytes = 16 * 1024;
  // A connection silent this long is closed.
  static constexpr unsigned kIdleTimeoutSeconds = 5;
  // A connection that has not completed a request this long after it opened (or after its last
  // answer) is closed, however slowly it keeps sending.
  static constexpr std::chrono::seconds kRequestDeadline{10};

  // Listens on `address` and starts serving; nullptr and `*error` when it cannot listen.
  static std::unique_ptr<MetricsServer> Start(const ListenAddress& address, Render render,
                                              std::string* error);
  // Stops accepting, closes every connection and joins the threads.
  ~MetricsServer();
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  // The address actually bound (the port chosen when 0 was asked for).
  const ListenAddress& address() const { return address_; }

 private:
  struct Open {
    int fd = -1;
    std::chrono::steady_clock::time_point since;
  };

  MetricsServer(ListenAddress address, Render render);
  static int Answer(void* self, MHD_Connection* connection, const char* url, const char* method,
                    const char* version, const char* upload_data, std::size_t* upload_data_size,
                    void** request_state);
  static void Notify(void* self, MHD_Connection* connection, void** socket_state, int change);
  static void Completed(void* self, MHD_Connection* connection, void** request_state, int how);
  // Shuts down the connections past their deadline, once a second until stopped.
  void Reap();

  const ListenAddress address_;
  const Render render_;
  MHD_Daemon* daemon_ = nullptr;

  std::mutex mutex_;  // guards the three below
  std::map<MHD_Connection*, Open> open_;
  bool stopping_ = false;
  std::condition_variable stop_requested_;
  std::thread reaper_;
};

}  // namespace orvane
