#include "service/metrics_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>

namespace orvane {
namespace {

// Sends `request` (what is given of it) and reads until the server closes or kWait passes.
struct Exchange {
  static constexpr int kWaitSeconds = 2 * MetricsServer::kReadTimeoutSeconds + 3;

  Exchange(std::uint16_t port, const std::string& request) {
    const timeval timeout{kWaitSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const sockaddr_in address{.sin_family = AF_INET,
                              .sin_port = htons(port),
                              .sin_addr = {htonl(INADDR_LOOPBACK)},
                              .sin_zero = {}};
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // The server may answer and close before a long request is all sent.
    for (std::size_t sent = 0; sent < request.size();) {
      const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    const auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) response.append(buffer, n);
    closed = errno != EAGAIN || !response.empty();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(fd);
  }
  std::string Status() const { return response.substr(0, response.find("\r\n")); }

  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::string response;
  bool closed = false;
  double seconds = 0;
};

class MetricsServerTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = MetricsServer::Start(
        {"127.0.0.1", 0}, [] { return std::string("orvane_up{serial=\"G60031\"} 1\n"); }, &error);
    ASSERT_NE(server_, nullptr) << error;
  }
  std::uint16_t port() const { return server_->address().port; }

  std::unique_ptr<MetricsServer> server_;
};

TEST_F(MetricsServerTest, ServesTheTwoPathsToGetAndHeadOnly) {
  const struct {
    std::string request_line;
    std::string status;
    std::string body_part;  // "" where the answer has no body worth checking
  } cases[] = {
      {"GET /metrics HTTP/1.1", "HTTP/1.1 200 OK", "orvane_up{serial=\"G60031\"} 1\n"},
      {"GET /metrics?x=1 HTTP/1.1", "HTTP/1.1 200 OK", "text/plain; version=0.0.4"},
      {"GET / HTTP/1.1", "HTTP/1.1 200 OK", "<a href=\"/metrics\">"},
      {"HEAD /metrics HTTP/1.1", "HTTP/1.1 200 OK", ""},
      {"POST /metrics HTTP/1.1", "HTTP/1.1 405 Method Not Allowed", "Allow: GET, HEAD"},
      {"PUT / HTTP/1.1", "HTTP/1.1 405 Method Not Allowed", ""},
      {"DELETE /metrics HTTP/1.1", "HTTP/1.1 405 Method Not Allowed", ""},
      {"GET /index.html HTTP/1.1", "HTTP/1.1 404 Not Found", ""},
      {"GET /metrics/ HTTP/1.1", "HTTP/1.1 404 Not Found", ""},
      {"GET /../../etc/passwd HTTP/1.1", "HTTP/1.1 404 Not Found", ""},
      {"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1", "HTTP/1.1 404 Not Found", ""},
      {"GET /metrics/../../etc/passwd HTTP/1.1", "HTTP/1.1 404 Not Found", ""},
      {"GET //metrics HTTP/1.1", "HTTP/1.1 404 Not Found", ""},
  };
  for (const auto& c : cases) {
    const Exchange exchange(port(), c.request_line + "\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(exchange.Status(), c.status) << c.request_line;
    EXPECT_NE(exchange.response.find(c.body_part), std::string::npos) << c.request_line;
    EXPECT_EQ(exchange.response.find("root:"), std::string::npos) << c.request_line;
  }
}

TEST_F(MetricsServerTest, OversizedAndStalledRequestsAreRefusedOrDroppedAndServingGoesOn) {
  const std::string megabyte_header =
      "GET /metrics HTTP/1.1\r\nX-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n";
  const std::string with_body =
      "GET /metrics HTTP/1.1\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" +
      std::string(100000, 'b');
  for (const std::string& request : {megabyte_header, with_body}) {
    const Exchange exchange(port(), request);
    EXPECT_TRUE(exchange.closed);
    EXPECT_EQ(exchange.response.find("200 OK"), std::string::npos) << exchange.Status();
  }
  // Slow-loris: half a request, then silence; the server gives up on it within two read timeouts.
  const Exchange stalled(port(), "GET /metrics HTTP/1.1\r\nHost: x\r\n");
  EXPECT_TRUE(stalled.closed);
  EXPECT_LT(stalled.seconds, 2 * MetricsServer::kReadTimeoutSeconds + 2);
  EXPECT_EQ(Exchange(port(), "GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n").Status(),
            "HTTP/1.1 200 OK");
}

TEST(MetricsServer, RefusesAnAddressInUse) {
  std::string error;
  const auto first = MetricsServer::Start(
      {"127.0.0.1", 0}, [] { return ""; }, &error);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(MetricsServer::Start(
                first->address(), [] { return ""; }, &error),
            nullptr);
  EXPECT_NE(error.find(first->address().ToString()), std::string::npos);
}

}  // namespace
}  // namespace orvane
