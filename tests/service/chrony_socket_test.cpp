#include "service/chrony_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orvane {
namespace {

using std::chrono::seconds;

// chronyd's side: a datagram socket bound in a scratch folder of its own.
class ChronydSocket {
 public:
  ChronydSocket() {
    std::string pattern = testing::TempDir() + "orvane-chrony-XXXXXX";
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/refclock.sock";
  }
  ~ChronydSocket() {
    if (fd_ >= 0) close(fd_);
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  void Bind() {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  // The datagrams waiting, without waiting for more.
  int Pending(SockSample* last) {
    int count = 0;
    while (recv(fd_, last, sizeof *last, MSG_DONTWAIT) == sizeof *last) ++count;
    return count;
  }
  const std::string& path() const { return path_; }

 private:
  std::string dir_;
  std::string path_;
  int fd_ = -1;
};

TEST(ChronySocket, DeliversTheSampleAndReportsOnlyChanges) {
  ChronydSocket chronyd;
  chronyd.Bind();
  std::chrono::nanoseconds now{0};
  ChronySocket socket(chronyd.path(), [&] { return now; });
  const SockSample sample =
      MakeSockSample(RealTime(seconds(100)), RealTime(seconds(101)), LeapIndicator::kNone);
  EXPECT_EQ(socket.Send(sample), "chrony socket " + chronyd.path() + ": sending samples");
  EXPECT_EQ(socket.Send(sample), std::nullopt);
  SockSample received{};
  EXPECT_EQ(chronyd.Pending(&received), 2);
  EXPECT_EQ(std::memcmp(&received, &sample, sizeof sample), 0);
}

TEST(ChronySocket, AbsentSocketIsReportedOnceAndRetriedEveryFewSeconds) {
  ChronydSocket chronyd;
  std::chrono::nanoseconds now{0};
  ChronySocket socket(chronyd.path(), [&] { return now; });
  const SockSample sample{};
  const std::optional<std::string> absent = socket.Send(sample);
  ASSERT_TRUE(absent);
  EXPECT_NE(absent->find("absent"), std::string::npos) << *absent;
  EXPECT_EQ(socket.state(), ChronySocketState::kAbsent);

  chronyd.Bind();  // chronyd starts; nothing is tried before the retry is due
  now = ChronySocket::kRetryInterval - seconds(1);
  EXPECT_EQ(socket.Send(sample), std::nullopt);
  SockSample received{};
  EXPECT_EQ(chronyd.Pending(&received), 0);
  now = ChronySocket::kRetryInterval;
  EXPECT_EQ(socket.Send(sample), "chrony socket " + chronyd.path() + ": sending samples");
  EXPECT_EQ(chronyd.Pending(&received), 1);
}

// Root is never refused by file modes, so the refusals are checked through their errno.
TEST(ChronySocketState, ErrnoNamesTheCauseAndTheFix) {
  const struct {
    int error;
    ChronySocketState state;
    const char* says;
  } cases[] = {
      {ENOENT, ChronySocketState::kAbsent,
       "chronyd is not running or its chrony.conf lacks "
       "`refclock SOCK /run/x.sock`"},
      {ECONNREFUSED, ChronySocketState::kAbsent, "absent (Connection refused)"},
      {EACCES, ChronySocketState::kPermissionDenied, "belongs to chronyd"},
      {EPERM, ChronySocketState::kPermissionDenied, "see the README's chrony section"},
      {EAGAIN, ChronySocketState::kOther, "Resource temporarily unavailable; retrying every 5 s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChronySocketStateOf(c.error), c.state) << c.error;
    const std::string text = DescribeChronySocketState(c.state, "/run/x.sock", c.error);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
  }
}

TEST(ChronySocketPath, SerialReplacesEachPercentSAsOnePathComponent) {
  EXPECT_EQ(ChronySocketPath("/run/orvane.sock", "G60031"), "/run/orvane.sock");
  EXPECT_EQ(ChronySocketPath("/run/orvane-%s.sock", "G60031"), "/run/orvane-G60031.sock");
  EXPECT_EQ(ChronySocketPath("/run/%s/%s", "../a b"), "/run/___a_b/___a_b");
}

}  // namespace
}  // namespace orvane
