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

  void Write(std::string_view text) { EXPECT_GT(send(fd_, text.data(), text.size(), 0), 0); }
  // Up to `count` bytes: fewer when the share closed the connection or the wait ran out.
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    for (ssize_t n = 1; got < count && n > 0; got += n > 0 ? n : 0) {
      n = recv(fd_, bytes.data() + got, count - got, 0);
    }
    bytes.resize(got);
    return bytes;
  }

 private:
  const int fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TEST_F(UbxShareTest, ClientsGetTheSameBytesInOrderAndWhatTheySendGoesNowhere) {
  Client first(port()), second(port());
  ASSERT_TRUE(WaitForEvents("connected", 2));
  first.Write("?WATCH={\"enable\":true};\n");
  second.Write("\xb5\x62\x06\x01");
  std::vector<std::uint8_t> published;
  for (std::uint8_t start : {0, 7, 200}) {
    const std::vector<std::uint8_t> chunk = Pattern(1000 + start, start);
    share_->Publish(chunk);
    published.insert(published.end(), chunk.begin(), chunk.end());
  }
  EXPECT_EQ(first.Read(published.size()), published);
  EXPECT_EQ(second.Read(published.size()), published);
}

TEST_F(UbxShareTest, ClientThatDoesNotReadIsDroppedAndTheOtherKeepsReceiving) {
  Client stalled(port(), 4096), reader(port());
  ASSERT_TRUE(WaitForEvents("connected", 2));
  const std::vector<std::uint8_t> chunk = Pattern(64 * 1024, 1);
  // The stalled client's kernel buffers take a few MiB before the share's own 1 MiB fills.
  for (int i = 0; i < 1024 && share_->dropped_clients() == 0; ++i) {
    share_->Publish(chunk);
    ASSERT_EQ(reader.Read(chunk.size()), chunk);
  }
  EXPECT_TRUE(WaitForEvents("dropped: more than 1 MiB unread", 1));
  share_->Publish(chunk);
  EXPECT_EQ(reader.Read(chunk.size()), chunk);
  EXPECT_EQ(share_->dropped_clients(), 1u);
}

TEST_F(UbxShareTest, ClientBeyondTheLimitIsClosedAtOnce) {
  std::vector<std::unique_ptr<Client>> clients;
  while (clients.size() < UbxShare::kMaxClients)
    clients.push_back(std::make_unique<Client>(port()));
  ASSERT_TRUE(WaitForEvents("connected", UbxShare::kMaxClients));
  EXPECT_TRUE(Client(port()).Read(1).empty());
  EXPECT_TRUE(WaitForEvents("refused: already 16 clients", 1));
  EXPECT_EQ(share_->client_count(), UbxShare::kMaxClients);
}

TEST_F(UbxShareTest, PortInUseIsAnError) {
  std::string error;
  EXPECT_EQ(UbxShare::Start(share_->address(), nullptr, &error), nullptr);
  EXPECT_EQ(error, "cannot listen on " + share_->address().ToString() + ": Address already in use");
}

}  // namespace
}  // namespace orvane
