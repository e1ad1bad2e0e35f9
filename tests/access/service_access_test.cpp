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

// A service that answers hello, then reads one request and hangs up without a reply.
class SilentService {
 public:
  SilentService() {
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    thread_ = std::thread([this] {
      const int client = accept(listener_, nullptr, nullptr);
      std::string received;
      char buffer[4096];
      for (int lines = 0; lines < 2;) {
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        received.append(buffer, static_cast<std::size_t>(got));
        lines = static_cast<int>(std::count(received.begin(), received.end(), '\n'));
        if (lines == 1 && received.find("hello") != std::string::npos) {
          const std::string hello = "{\"id\":1,\"ok\":true,\"version\":1,\"writable\":true}\n";
          send(client, hello.data(), hello.size(), MSG_NOSIGNAL);
        }
      }
      shutdown(client, SHUT_WR);
      // Whatever the client sends after the hang-up arrives here.
      for (ssize_t got; (got = recv(client, buffer, sizeof buffer, 0)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(got));
      }
      requests_ = received;
      close(client);
    });
  }
  ~SilentService() {
    close(listener_);
    std::filesystem::remove_all(dir_);
  }
  std::string Requests() {
    thread_.join();
    return requests_;
  }
  const std::string& path() const { return path_; }

 private:
  std::string dir_ = mkdtemp(std::string("/tmp/orvane-silent-XXXXXX").data());
  std::string path_ = dir_ + "/control";
  int listener_ = -1;
  std::thread thread_;
  std::string requests_;
};

TEST(ServiceAccess, AnUnansweredChangeFailsAndIsNeverSentAgain) {
  SilentService service;
  std::string error;
  std::unique_ptr<ControlConnection> connection = ControlConnection::Open(service.path(), &error);
  ASSERT_TRUE(connection) << error;
  ManualClock clock;
  TraceLog trace(nullptr, clock);
  {
    ServiceAccess access(std::move(connection), trace, clock);
    try {
      access.SetOutputEnabled(false);
      ADD_FAILURE() << "no error";
    } catch (const AccessError& failure) {
      EXPECT_EQ(failure.kind(), AccessError::Kind::kFailed);
      EXPECT_EQ(std::string(failure.what()),
                "the service at " + service.path() + " did not answer output");
    }
  }
  const std::string requests = service.Requests();
  EXPECT_EQ(std::count(requests.begin(), requests.end(), '\n'), 2) << requests;
}

}  // namespace
}  // namespace orvane
