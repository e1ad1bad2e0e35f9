#include "service/metrics_server.h"

#include <httplib.h>

namespace orvane {
namespace {

constexpr char kMetricsType[] = "text/plain; version=0.0.4; charset=utf-8";
constexpr char kIndexPage[] =
    "<!DOCTYPE html>\n<html><head><title>orvaned</title></head><body>\n"
    "<h1>orvaned</h1>\n<p><a href=\"/metrics\">Metrics</a></p>\n</body></html>\n";

void Answer(const httplib::Request& request, httplib::Response& response,
            const MetricsServer::Render& render) {
  const bool metrics = request.path == "/metrics";
  if (!metrics && request.path != "/") {
    response.status = 404;
    response.set_content("not found\n", "text/plain");
  } else if (request.has_header("Transfer-Encoding") ||
             (request.has_header("Content-Length") &&
              request.get_header_value("Content-Length") != "0")) {
    // Nothing here takes a body; it is refused unread and the connection closed after it.
    response.status = 413;
    response.set_header("Connection", "close");
    response.set_content("request body not accepted\n", "text/plain");
  } else if (request.method != "GET" && request.method != "HEAD") {
    response.status = 405;
    response.set_header("Allow", "GET, HEAD");
    response.set_content("method not allowed\n", "text/plain");
  } else if (metrics) {
    response.set_content(render(), kMetricsType);
  } else {
    response.set_content(kIndexPage, "text/html; charset=utf-8");
  }
}

}  // namespace

std::unique_ptr<MetricsServer> MetricsServer::Start(const ListenAddress& address, Render render,
                                                    std::string* error) {
  auto server = std::make_unique<httplib::Server>();
  // The library's default shares the port with any other listener (SO_REUSEPORT): a second
  // service on the same port must fail instead.
  server->set_socket_options([](int socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server->set_read_timeout(kReadTimeoutSeconds);
  server->set_keep_alive_timeout(kReadTimeoutSeconds);
  // Every request is answered here, before the library's own routing or file serving.
  server->set_pre_routing_handler(
      [render = std::move(render)](const httplib::Request& request, httplib::Response& response) {
        Answer(request, response, render);
        return httplib::Server::HandlerResponse::Handled;
      });
  ListenAddress bound = address;
  if (address.port == 0) {
    const int port = server->bind_to_any_port(address.host);
    if (port < 0) {
      *error = "cannot listen on " + address.ToString();
      return nullptr;
    }
    bound.port = static_cast<std::uint16_t>(port);
  } else if (!server->bind_to_port(address.host, address.port)) {
    *error = "cannot listen on " + address.ToString() + " (address in use or not local)";
    return nullptr;
  }
  return std::unique_ptr<MetricsServer>(new MetricsServer(std::move(server), bound));
}

MetricsServer::MetricsServer(std::unique_ptr<httplib::Server> server, ListenAddress address)
    : server_(std::move(server)), address_(std::move(address)) {
  thread_ = std::thread([this] {
    server_->listen_after_bind();
    listening_ended_ = true;
  });
}

MetricsServer::~MetricsServer() {
  // stop() does nothing before the thread has started listening: repeat until it has ended.
  while (!listening_ended_) {
    server_->stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread_.join();
}

}  // namespace orvane
