#include "access/service_access.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

namespace orvane {
namespace {

TEST(ServiceAccess, AnUnansweredChangeFailsAndIsNeverSentAgain) {
  const std::string dir = mkdtemp(std::string("/tmp/orvane-silent-XXXXXX").data());
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, (dir + "/control").c_str(), sizeof address.sun_path - 1);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  listen(listener, 1);
  // A service that answers the hello, reads one request and hangs up without a reply; whatever
  // the client sends after that arrives too.
  std::string received;
  std::thread service([&] {
    const int client = accept(listener, nullptr, nullptr);
    const std::string hello = "{\"id\":1,\"ok\":true,\"version\":1,\"writable\":true}\n";
    char buffer[4096];
    bool answered = false;
    for (ssize_t got; (got = recv(client, buffer, sizeof buffer, 0)) > 0;) {
      received.append(buffer, static_cast<std::size_t>(got));
      const auto lines = std::count(received.begin(), received.end(), '\n');
      if (lines == 1 && !answered) answered = send(client, hello.data(), hello.size(), 0) > 0;
      if (lines == 2) shutdown(client, SHUT_WR);
    }
    close(client);
  });
  std::string error;
  std::unique_ptr<ControlConnection> connection = ControlConnection::Open(address.sun_path, &error);
  EXPECT_TRUE(connection) << error;
  if (connection) {
    ManualClock clock;
    TraceLog trace(nullptr, clock);
    ServiceAccess access(std::move(connection), trace, clock);
    try {
      access.SetOutputEnabled(false);
      ADD_FAILURE() << "no error";
    } catch (const AccessError& failure) {
      EXPECT_EQ(failure.kind(), AccessError::Kind::kFailed);
      EXPECT_EQ(std::string(failure.what()),
                "the service at " + dir + "/control did not answer output");
    }
  }
  shutdown(listener, SHUT_RDWR);  // ends the service's accept if no client came
  service.join();
  close(listener);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(std::count(received.begin(), received.end(), '\n'), 2) << received;
}

}  // namespace
}  // namespace orvane
