#include "service/ubx_share.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <unistd.h>

#include <condition_variable>
#include <numeric>

namespace orvane {
namespace {

constexpr std::chrono::seconds kPatience(10);

// A loopback client whose reads give up after kPatience.
class Client {
 public:
  explicit Client(std::uint16_t port, int receive_buffer = 0) {
    if (receive_buffer > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(int));
    const timeval timeout{kPatience.count(), 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ~Client() { close(fd_); }

  // Up to `count` bytes: fewer when the share closed the connection or the wait ran out.
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    bytes.resize(std::max<ssize_t>(recv(fd_, bytes.data(), count, MSG_WAITALL), 0));
    return bytes;
  }

  const int fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

class UbxShareTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    share_ = UbxShare::Start(
        {"127.0.0.1", 0},
        [this](LogPriority, std::string_view line) {
          std::lock_guard lock(mutex_);
          events_ += std::string(line) + "\n";
          changed_.notify_all();
        },
        &error);
    ASSERT_NE(share_, nullptr) << error;
  }
  std::uint16_t port() const { return share_->address().port; }
  // Waits, within kPatience, for `count` event lines that contain `part`.
  bool WaitForEvents(std::string_view part, std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] {
      std::size_t found = 0;
      for (auto at = events_.find(part); at != std::string::npos; at = events_.find(part, at + 1)) {
        ++found;
      }
      return found >= count;
    });
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::string events_;
  std::unique_ptr<UbxShare> share_;
};

TEST_F(UbxShareTest, ClientsGetTheSameBytesInOrderUntilOneStopsReadingAndIsDropped) {
  Client stalled(port(), 4096), first(port()), second(port());
  ASSERT_TRUE(WaitForEvents("connected", 3));
  std::vector<std::uint8_t> chunk(64 * 1024);
  std::iota(chunk.begin(), chunk.end(), 1);
  // The stalled client's kernel buffers take a few MiB before the share's own 1 MiB fills.
  for (int i = 0; i < 1024 && share_->dropped_clients() == 0; ++i) {
    share_->Publish(chunk);
    ASSERT_EQ(first.Read(chunk.size()), chunk);
    ASSERT_EQ(second.Read(chunk.size()), chunk);
  }
  EXPECT_TRUE(WaitForEvents("dropped: more than 1 MiB unread", 1));
  share_->Publish(chunk);
  EXPECT_EQ(first.Read(chunk.size()), chunk);
  EXPECT_EQ(share_->dropped_clients(), 1u);
}

TEST_F(UbxShareTest, ClientBeyondTheLimitIsClosedAtOnce) {
  std::vector<std::unique_ptr<Client>> clients;
  while (clients.size() < UbxShare::kMaxClients) {
    clients.push_back(std::make_unique<Client>(port()));
  }
  ASSERT_TRUE(WaitForEvents("connected", UbxShare::kMaxClients));
  EXPECT_TRUE(Client(port()).Read(1).empty());
  EXPECT_TRUE(WaitForEvents("refused: already 16 clients", 1));
  EXPECT_EQ(share_->client_count(), UbxShare::kMaxClients);
}

}  // namespace
}  // namespace orvane
