#include "service/ubx_share.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <numeric>

#include "support/loopback.h"

namespace orvane {
namespace {

constexpr std::chrono::seconds kPatience(10);

// A loopback client from `source` whose reads give up after kPatience.
struct Client {
  explicit Client(std::uint16_t port, int receive_buffer = 0, const char* source = "127.0.0.1")
      : fd_(testing_support::ConnectLoopback(port, source, kPatience.count(), receive_buffer)) {}
  ~Client() { close(fd_); }
  // Up to `count` bytes: fewer when the share closed the connection or the wait ran out.
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    bytes.resize(std::max<ssize_t>(recv(fd_, bytes.data(), count, MSG_WAITALL), 0));
    return bytes;
  }
  const int fd_;
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
  // Whether the share serves `client`: it gets a published byte (true) or is closed (false);
  // published until one arrives, as the share takes clients on its own thread.
  bool Served(Client& client) {
    for (int i = 0; i < 200; ++i) {
      share_->Publish(std::vector<std::uint8_t>{0xb5});
      pollfd readable{client.fd_, POLLIN, 0};
      if (poll(&readable, 1, 50) == 0) continue;
      char byte;
      return recv(client.fd_, &byte, 1, 0) == 1;
    }
    return false;
  }
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

TEST_F(UbxShareTest, PeersGetTheirShareOfClientsAndAFloodCostsAFewLines) {
  std::vector<std::unique_ptr<Client>> clients;
  const auto add = [&](const char* source) {
    clients.push_back(std::make_unique<Client>(port(), 0, source));
    return Served(*clients.back());
  };
  for (std::size_t i = 0; i < UbxShare::kMaxClientsPerPeer; ++i) EXPECT_TRUE(add("127.0.0.2"));
  EXPECT_FALSE(add("127.0.0.2"));
  clients.pop_back();
  const char* kPeers[] = {"127.0.0.3", "127.0.0.4", "127.0.0.5"};
  for (const char* peer : kPeers) {
    for (std::size_t i = 0; i < UbxShare::kMaxClientsPerPeer; ++i) EXPECT_TRUE(add(peer));
  }
  EXPECT_FALSE(add("127.0.0.6"));
  EXPECT_EQ(share_->client_count(), UbxShare::kMaxClients);
  clients.clear();
  for (int i = 0; i < 50; ++i) Client flood(port());
  Client last(port(), 0, "127.0.0.9");
  EXPECT_TRUE(Served(last));
  std::lock_guard lock(mutex_);
  EXPECT_LE(std::count(events_.begin(), events_.end(), '\n'), LogThrottle::kLinesPerPeriod)
      << events_;
}

TEST_F(UbxShareTest, OutOfDescriptorsPausesAcceptingInsteadOfSpinning) {
  // Nothing below needs a descriptor until they are given back (sanitizers' checks included).
  const std::uint16_t share_port = port();
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  const rlimit low{64, limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> held;
  for (int fd; held.size() < 64 && (fd = dup(0)) >= 0;) held.push_back(fd);
  // The last descriptor left is the client's: the share has none to accept it with.
  close(held.back());
  held.pop_back();
  Client waiting(share_port);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  // Two seconds of the share facing a pending connection it cannot take.
  pollfd none{waiting.fd_, POLLIN, 0};
  EXPECT_EQ(poll(&none, 1, 2000), 0);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  for (int fd : held) close(fd);
  setrlimit(RLIMIT_NOFILE, &limit);
  const auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec * 1e-6; };
  const double cpu = seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime) -
                     seconds(before.ru_stime);
  EXPECT_LT(cpu, 0.5);  // a spinning thread would take the whole two seconds
  EXPECT_TRUE(Served(waiting));
  EXPECT_TRUE(WaitForEvents("cannot accept: Too many open files", 1));
}

}  // namespace
}  // namespace orvane
