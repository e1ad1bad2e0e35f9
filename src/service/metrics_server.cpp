#include "service/metrics_server.h"

#include <microhttpd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "service/listener_socket.h"

namespace orvane {
namespace {

constexpr char kMetricsType[] = "text/plain; version=0.0.4; charset=utf-8";
constexpr char kIndexPage[] =
    "<!DOCTYPE html>\n<html><head><title>orvaned</title></head><body>\n"
    "<h1>orvaned</h1>\n<p><a href=\"/metrics\">Metrics</a></p>\n</body></html>\n";

MHD_Result Send(MHD_Connection* connection, unsigned status, const std::string& body,
                const char* type, const char* allow = nullptr) {
  MHD_Response* response = MHD_create_response_from_buffer(
      body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
  if (response == nullptr) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
  if (allow) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allow);
  const MHD_Result queued = MHD_queue_response(connection, status, response);
  MHD_destroy_response(response);
  return queued;
}

bool HasBody(MHD_Connection* connection) {
  const char* length =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
  return MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                     MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr ||
         (length != nullptr && std::strcmp(length, "0") != 0);
}

}  // namespace

std::unique_ptr<MetricsServer> MetricsServer::Start(const ListenAddress& address, Render render,
                                                    std::string* error) {
  ListenAddress bound;
  const int listener = OpenListener(address, static_cast<int>(kMaxConnections), &bound, error);
  if (listener < 0) return nullptr;
  std::unique_ptr<MetricsServer> server(new MetricsServer(bound, std::move(render)));
  server->daemon_ = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | (address.IsIpv6() ? MHD_USE_IPv6 : 0), 0,
      nullptr, nullptr, reinterpret_cast<MHD_AccessHandlerCallback>(&MetricsServer::Answer),
      server.get(), MHD_OPTION_LISTEN_SOCKET, listener, MHD_OPTION_CONNECTION_LIMIT,
      kMaxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMaxConnectionsPerPeer,
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, kMaxHeadBytes, MHD_OPTION_CONNECTION_TIMEOUT,
      kIdleTimeoutSeconds, MHD_OPTION_NOTIFY_CONNECTION, &MetricsServer::Notify, server.get(),
      MHD_OPTION_NOTIFY_COMPLETED, &MetricsServer::Completed, server.get(), MHD_OPTION_END);
  if (server->daemon_ == nullptr) {
    close(listener);
    *error = "cannot serve HTTP on " + bound.ToString();
    return nullptr;
  }
  server->reaper_ = std::thread([raw = server.get()] { raw->Reap(); });
  return server;
}

MetricsServer::MetricsServer(ListenAddress address, Render render)
    : address_(std::move(address)), render_(std::move(render)) {}

MetricsServer::~MetricsServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_requested_.notify_all();
  reaper_.join();
  MHD_stop_daemon(daemon_);
}

int MetricsServer::Answer(void* self, MHD_Connection* connection, const char* url,
                          const char* method, const char*, const char*, std::size_t*, void**) {
  const std::string path = url;
  const bool metrics = path == "/metrics";
  if (!metrics && path != "/") return Send(connection, 404, "not found\n", "text/plain");
  // Nothing here takes a body: it is refused unread and the connection closed after the answer.
  if (HasBody(connection)) {
    return Send(connection, 413, "request body not accepted\n", "text/plain");
  }
  const std::string verb = method;
  if (verb != "GET" && verb != "HEAD") {
    return Send(connection, 405, "method not allowed\n", "text/plain", "GET, HEAD");
  }
  if (!metrics) return Send(connection, 200, kIndexPage, "text/html; charset=utf-8");
  return Send(connection, 200, static_cast<MetricsServer*>(self)->render_(), kMetricsType);
}

void MetricsServer::Notify(void* self, MHD_Connection* connection, void**, int change) {
  auto* server = static_cast<MetricsServer*>(self);
  std::lock_guard lock(server->mutex_);
  if (change == MHD_CONNECTION_NOTIFY_CLOSED) {
    server->open_.erase(connection);
    return;
  }
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  server->open_[connection] = {info ? info->connect_fd : -1, std::chrono::steady_clock::now()};
}

void MetricsServer::Completed(void* self, MHD_Connection* connection, void**, int) {
  auto* server = static_cast<MetricsServer*>(self);
  std::lock_guard lock(server->mutex_);
  // A kept-alive connection has a fresh deadline for its next request.
  if (auto found = server->open_.find(connection); found != server->open_.end()) {
    found->second.since = std::chrono::steady_clock::now();
  }
}

void MetricsServer::Reap() {
  std::unique_lock lock(mutex_);
  while (!stop_requested_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; })) {
    const auto now = std::chrono::steady_clock::now();
    for (auto& [connection, open] : open_) {
      // The library closes a connection whose socket was shut down on its next pass; the
      // descriptor is still the connection's, as the library reports the close first.
      if (open.fd >= 0 && now - open.since > kRequestDeadline) {
        shutdown(open.fd, SHUT_RDWR);
        open.fd = -1;
      }
    }
  }
}

}  // namespace orvane
