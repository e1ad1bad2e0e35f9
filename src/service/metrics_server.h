#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "service/listen_address.h"

namespace httplib {
class Server;
}

namespace orvane {

// Serves the metrics over HTTP, read-only, on threads of its own: `GET /metrics` (the text the
// render function returns at that moment) and `GET /`, a page that links it. Every other path is
// 404, every other method on those two 405; nothing a client sends goes further than this class.
class MetricsServer {
 public:
  using Render = std::function<std::string()>;

  static constexpr int kThreads = 4;
  // A request that stalls this long between two reads is dropped, so slow clients cannot keep
  // the threads forever.
  static constexpr int kReadTimeoutSeconds = 5;

  // Listens on `address` and starts serving; nullptr and `*error` when it cannot listen.
  static std::unique_ptr<MetricsServer> Start(const ListenAddress& address, Render render,
                                              std::string* error);
  // Stops accepting, lets the requests in progress finish and joins the threads.
  ~MetricsServer();
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  // The address actually bound (the port chosen when 0 was asked for).
  const ListenAddress& address() const { return address_; }

 private:
  MetricsServer(std::unique_ptr<httplib::Server> server, ListenAddress address);

  std::unique_ptr<httplib::Server> server_;
  const ListenAddress address_;
  std::atomic<bool> listening_ended_ = false;
  std::thread thread_;
};

}  // namespace orvane
