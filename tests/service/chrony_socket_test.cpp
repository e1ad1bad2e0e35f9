#include "service/chrony_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvane {
namespace {

TEST(ChronySocket, ReportsAbsenceOnceRetriesEveryFewSecondsThenDelivers) {
  std::string dir = testing::TempDir() + "orvane-chrony-XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string path = dir + "/refclock.sock";
  std::chrono::nanoseconds now{0};
  ChronySocket socket(path, [&] { return now; });
  const SockSample sample =
      MakeSockSample(RealTime(std::chrono::seconds(100)), RealTime(std::chrono::seconds(101)), {});
  const std::optional<std::string> absent = socket.Send(sample);
  ASSERT_TRUE(absent);
  EXPECT_NE(absent->find("absent"), std::string::npos) << *absent;

  // chronyd starts; nothing is tried before the retry is due.
  const int chronyd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(chronyd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  now = ChronySocket::kRetryInterval - std::chrono::seconds(1);
  EXPECT_EQ(socket.Send(sample), std::nullopt);
  now = ChronySocket::kRetryInterval;
  EXPECT_EQ(socket.Send(sample), "chrony socket " + path + ": sending samples");
  EXPECT_EQ(socket.Send(sample), std::nullopt);

  SockSample received{};
  int count = 0;
  while (recv(chronyd, &received, sizeof received, MSG_DONTWAIT) == sizeof received) ++count;
  EXPECT_EQ(count, 2);
  EXPECT_EQ(std::memcmp(&received, &sample, sizeof sample), 0);
  close(chronyd);
  unlink(path.c_str());
  rmdir(dir.c_str());
}

// Root is never refused by file modes, so the refusals are checked through their errno.
TEST(ChronySocketState, ErrnoNamesTheCauseAndTheFix) {
  const struct {
    int error;
    ChronySocketState state;
    const char* says;
  } cases[] = {
      {ENOENT, ChronySocketState::kAbsent, "chrony.conf lacks `refclock SOCK /run/x.sock`"},
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
  EXPECT_EQ(ChronySocketPath("/run/%s/%s.sock", "../a b"), "/run/___a_b/___a_b.sock");
}

}  // namespace
}  // namespace orvane
