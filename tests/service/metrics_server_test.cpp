#include "service/metrics_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "support/loopback.h"

namespace orvane {
namespace {

using testing_support::ConnectLoopback;
using testing_support::HttpExchange;

const std::string kPage = "orvane_up{serial=\"G60031\"} 1\n";

std::unique_ptr<MetricsServer> StartServer() {
  std::string error;
  auto server = MetricsServer::Start(
      {"127.0.0.1", 0}, [] { return kPage; }, &error);
  EXPECT_NE(server, nullptr) << error;
  return server;
}

std::string Status(const std::string& reply) { return reply.substr(0, reply.find("\r\n")); }

TEST(MetricsServer, ServesTheTwoPathsToGetAndHeadOnlyWithOneCopyOfThePage) {
  const auto server = StartServer();
  std::string ranges = "bytes=0-";
  for (int i = 1; i < 1000; ++i) ranges += ",0-";
  const std::pair<std::string, std::string> kCases[] = {
      // request line and headers, answer part
      {"GET /metrics", "200 OK\r\n"},
      {"GET /metrics?x=1", "version=0.0.4; charset=utf-8\r\n"},
      {"GET /", "<a href=\"/metrics\">"},
      {"HEAD /metrics", "200 OK\r\n"},
      {"POST /metrics", "405 Method Not Allowed\r\n"},
      {"GET /index.html", "404 Not Found"},
      {"GET /../../etc/passwd", "404 Not Found"},
      {"GET /%2e%2e/%2e%2e/etc/passwd", "404 Not Found"},
      {"GET /metrics/../../etc/passwd", "404 Not Found"},
      // A thousand ranges get the whole page once, not a thousand copies of it.
      {"GET /metrics HTTP/1.1\r\nRange: " + ranges, "200 OK\r\n"},
  };
  for (const auto& [head, part] : kCases) {
    const std::string request =
        head.find("HTTP/1.1") == std::string::npos ? head + " HTTP/1.1" : head;
    const std::string reply =
        HttpExchange(server->address().port, request + "\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_NE(reply.find(part), std::string::npos) << head << "\n" << reply;
    EXPECT_EQ(reply.find("root:"), std::string::npos) << head;
    EXPECT_LE(reply.size(), kPage.size() + 512) << head;
  }
}

TEST(MetricsServer, OversizedBodiedAndSlowRequestsAreRefusedAndAPeerGetsItsShareOnly) {
  const auto server = StartServer();
  const std::uint16_t port = server->address().port;
  const std::string megabyte_header = "X-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n";
  std::string many_headers;
  for (int i = 0; i < 5000; ++i) many_headers += "X-" + std::to_string(i) + ": a\r\n";
  const std::string body =
      "Content-Length: 100000\r\nConnection: close\r\n\r\n" + std::string(100000, 'b');
  for (const std::string& rest : {megabyte_header, many_headers + "\r\n", body}) {
    EXPECT_EQ(HttpExchange(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n" + rest).find("200 OK"),
              std::string::npos);
  }
  // One peer holding its whole share with half-sent requests: its next connection is closed
  // unanswered, another peer is served at once, and the stalled ones end within the deadline.
  std::vector<int> stalled;
  for (unsigned i = 0; i < MetricsServer::kMaxConnectionsPerPeer; ++i) {
    stalled.push_back(ConnectLoopback(port, "127.0.0.2", 30));
    ASSERT_GE(send(stalled.back(), "GET /metrics HTTP/1.1\r\n", 23, MSG_NOSIGNAL), 0);
  }
  EXPECT_EQ(HttpExchange(port, "GET / HTTP/1.1\r\nHost: x\r\n\r\n", "127.0.0.2"), "");
  const std::string scrape = "GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(Status(HttpExchange(port, scrape)), "HTTP/1.1 200 OK");
  const auto start = std::chrono::steady_clock::now();
  for (int fd : stalled) {
    char byte;
    // Closed by the server (0) or reset, not held past the deadline (the 30 s patience).
    EXPECT_LE(recv(fd, &byte, 1, 0), 0);
    close(fd);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2 * MetricsServer::kRequestDeadline);
  // Another listener on the same port is refused, not load-shared.
  std::string error;
  EXPECT_EQ(MetricsServer::Start(
                server->address(), [] { return ""; }, &error),
            nullptr);
  EXPECT_NE(error.find(server->address().ToString()), std::string::npos);
}

}  // namespace
}  // namespace orvane
