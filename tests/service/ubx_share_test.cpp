#include "service/ubx_share.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <numeric>

namespace orvane {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);

// The share's event lines, waited for with a bound.
class Events {
 public:
  UbxShare::EventLog Log() {
    return [this](LogPriority, std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
      changed_.notify_all();
    };
  }
  bool WaitFor(std::string_view part, int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] {
      return std::count_if(lines_.begin(), lines_.end(), [&](const std::string& line) {
               return line.find(part) != std::string::npos;
             }) >= count;
    });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

// A loopback client whose reads give up after kPatience.
class Client {
 public:
  explicit Client(std::uint16_t port, int receive_buffer = 0)
      : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receive_buffer > 0) {
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    }
    const timeval timeout{std::chrono::seconds(kPatience).count(), 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ~Client() { close(fd_); }

  void Write(std::string_view text) {
    EXPECT_EQ(send(fd_, text.data(), text.size(), 0), ssize_t(text.size()));
  }
  // Up to `count` bytes: fewer when the share closed the connection or the wait ran out.
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    while (got < count) {
      const ssize_t n = recv(fd_, bytes.data() + got, count - got, 0);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }

 private:
  int fd_;
};

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

class UbxShareTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    share_ = UbxShare::Start(ListenAddress{"127.0.0.1", 0}, events_.Log(), &error);
    ASSERT_NE(share_, nullptr) << error;
  }
  std::uint16_t port() const { return share_->address().port; }

  Events events_;
  std::unique_ptr<UbxShare> share_;
};

TEST_F(UbxShareTest, ClientsGetTheSameBytesInOrderAndWhatTheySendGoesNowhere) {
  Client first(port());
  Client second(port());
  ASSERT_TRUE(events_.WaitFor("connected", 2));
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
  Client stalled(port(), 4096);
  Client reader(port());
  ASSERT_TRUE(events_.WaitFor("connected", 2));
  const std::vector<std::uint8_t> chunk = Pattern(64 * 1024, 1);
  // The stalled client's kernel buffers take a few MiB before the share's own 1 MiB fills.
  for (int i = 0; i < 1024 && share_->dropped_clients() == 0; ++i) {
    share_->Publish(chunk);
    ASSERT_EQ(reader.Read(chunk.size()), chunk);
  }
  EXPECT_EQ(share_->dropped_clients(), 1u);
  EXPECT_TRUE(events_.WaitFor("dropped: more than 1 MiB unread", 1));
  share_->Publish(chunk);
  EXPECT_EQ(reader.Read(chunk.size()), chunk);
}

TEST_F(UbxShareTest, ClientBeyondTheLimitIsClosedAtOnce) {
  std::vector<std::unique_ptr<Client>> clients;
  for (std::size_t i = 0; i < UbxShare::kMaxClients; ++i) {
    clients.push_back(std::make_unique<Client>(port()));
  }
  ASSERT_TRUE(events_.WaitFor("connected", UbxShare::kMaxClients));
  Client refused(port());
  EXPECT_TRUE(refused.Read(1).empty());
  EXPECT_TRUE(events_.WaitFor("refused: already 16 clients", 1));
  EXPECT_EQ(share_->client_count(), UbxShare::kMaxClients);
}

TEST_F(UbxShareTest, PortInUseIsAnError) {
  std::string error;
  EXPECT_EQ(UbxShare::Start(share_->address(), nullptr, &error), nullptr);
  EXPECT_EQ(error, "cannot listen on " + share_->address().ToString() + ": Address already in use");
}

}  // namespace
}  // namespace orvane
