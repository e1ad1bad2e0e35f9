#include "service/metrics_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

namespace orvane {
namespace {

struct Reply {
  std::string text;  // empty: closed without an answer
  double seconds = 0;
  std::string Status() const { return text.substr(0, text.find("\r\n")); }
};

// Sends what is given of `request` and reads until the server closes (or a generous wait ends).
Reply Exchange(std::uint16_t port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const timeval wait{2 * MetricsServer::kReadTimeoutSeconds + 3, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  // The server may answer and close before a long request is all sent.
  for (std::size_t sent = 0, n = 0; sent < request.size(); sent += n) {
    n = std::max<ssize_t>(send(fd, &request[sent], request.size() - sent, MSG_NOSIGNAL), 0);
    if (n == 0) break;
  }
  Reply reply;
  const auto start = std::chrono::steady_clock::now();
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.text.append(buffer, n);
  reply.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  close(fd);
  return reply;
}

std::unique_ptr<MetricsServer> StartServer() {
  std::string error;
  auto server = MetricsServer::Start(
      {"127.0.0.1", 0}, [] { return std::string("orvane_up{serial=\"G60031\"} 1\n"); }, &error);
  EXPECT_NE(server, nullptr) << error;
  return server;
}

TEST(MetricsServer, ServesTheTwoPathsToGetAndHeadOnly) {
  const auto server = StartServer();
  const std::pair<std::string, std::string> kCases[] = {
      // request line, answer part
      {"GET /metrics", "200 OK\r\n"},
      {"GET /metrics?x=1", "version=0.0.4; charset=utf-8\r\n\r\norvane_up{serial=\"G60031\"} 1\n"},
      {"GET /", "<a href=\"/metrics\">"},
      {"HEAD /metrics", "200 OK\r\n"},
      {"POST /metrics", "405 Method Not Allowed\r\nAllow: GET, HEAD"},
      {"DELETE /", "405 Method Not Allowed"},
      {"GET /index.html", "404 Not Found"},
      {"GET /../../etc/passwd", "404 Not Found"},
      {"GET /%2e%2e/%2e%2e/etc/passwd", "404 Not Found"},
      {"GET /metrics/../../etc/passwd", "404 Not Found"},
  };
  for (const auto& [line, part] : kCases) {
    const Reply reply =
        Exchange(server->address().port, line + " HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_NE(reply.text.find(part), std::string::npos) << line << "\n" << reply.text;
    EXPECT_EQ(reply.text.find("root:"), std::string::npos) << line;
  }
}

TEST(MetricsServer, OversizedAndStalledRequestsAreRefusedOrDroppedAndServingGoesOn) {
  const auto server = StartServer();
  const std::uint16_t port = server->address().port;
  const std::string megabyte_header = "X-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n";
  const std::string body =
      "Content-Length: 100000\r\nConnection: close\r\n\r\n" + std::string(100000, 'b');
  for (const std::string& rest : {megabyte_header, body}) {
    EXPECT_EQ(Exchange(port, "GET /metrics HTTP/1.1\r\n" + rest).text.find("200 OK"),
              std::string::npos);
  }
  // Slow-loris: half a request, then silence; the server gives up on it within two read timeouts.
  EXPECT_LT(Exchange(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n").seconds,
            2 * MetricsServer::kReadTimeoutSeconds + 2);
  EXPECT_EQ(Exchange(port, "GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n").Status(),
            "HTTP/1.1 200 OK");
  // Another listener on the same port is refused, not load-shared.
  std::string error;
  EXPECT_EQ(MetricsServer::Start(
                server->address(), [] { return ""; }, &error),
            nullptr);
  EXPECT_NE(error.find(server->address().ToString()), std::string::npos);
}

}  // namespace
}  // namespace orvane
