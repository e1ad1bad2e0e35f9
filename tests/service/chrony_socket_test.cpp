#include "service/chrony_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvane {
namespace {

RealTime At(std::int64_t ns) { return RealTime(std::chrono::nanoseconds(ns)); }

TEST(MakeSockSample, TvToTheMicrosecondAndOffsetAgainstIt) {
  const struct {
    std::int64_t received_ns, utc_ns;
    LeapIndicator leap;
    long tv_sec, tv_usec;
    double offset;
  } cases[] = {
      // Host behind UTC: positive offset.
      {1'700'000'000'123'456'789, 1'700'000'000'200'000'000, LeapIndicator::kNone, 1'700'000'000,
       123'456, 0.076544},
      // Host ahead, across a second: negative offset.
      {1'700'000'001'000'999'999, 1'700'000'000'990'000'000, LeapIndicator::kInsertSecond,
       1'700'000'001, 999, -0.010999},
  };
  for (const auto& c : cases) {
    const SockSample sample = MakeSockSample(At(c.received_ns), At(c.utc_ns), c.leap);
    EXPECT_EQ(std::pair(sample.tv.tv_sec, sample.tv.tv_usec), std::pair(c.tv_sec, c.tv_usec));
    EXPECT_NEAR(sample.offset, c.offset, 1e-12);
    EXPECT_EQ(sample.leap, static_cast<int>(c.leap));
    EXPECT_EQ(sample.magic, 0x534f434b);
  }
}

TEST(ChronySocket, ReportsAbsenceOnceRetriesEveryFewSecondsThenDelivers) {
  const std::string path = testing::TempDir() + "orvane-chrony-" + std::to_string(getpid());
  unlink(path.c_str());
  std::chrono::nanoseconds now{0};
  ChronySocket socket(path, [&] { return now; });
  const SockSample sample = MakeSockSample(At(100'000'000'000), At(101'000'000'000), {});
  EXPECT_NE(socket.Send(sample).value_or("").find("absent"), std::string::npos);

  // chronyd starts; nothing is tried before the retry is due.
  const int chronyd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
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
}

// Root is never refused by file modes, so the refusals are checked through their errno.
TEST(ChronySocketState, ErrnoNamesTheCauseAndTheFix) {
  const struct {
    int error;
    ChronySocketState state;
    const char* says;
  } cases[] = {
      {ENOENT, ChronySocketState::kAbsent, "chrony.conf lacks `refclock SOCK /run/x.sock`"},
      {EACCES, ChronySocketState::kPermissionDenied, "belongs to chronyd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChronySocketStateOf(c.error), c.state) << c.error;
    const std::string text = DescribeChronySocketState(c.state, "/run/x.sock", c.error);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
  }
}

// A serial number must not lead the socket out of the folder the template names.
TEST(ChronySocketPath, SerialReplacesEachPercentSAsOnePathComponent) {
  EXPECT_EQ(ChronySocketPath("/run/orvane.sock", "G60031"), "/run/orvane.sock");
  EXPECT_EQ(ChronySocketPath("/run/%s/%s.sock", "../a b"), "/run/___a_b/___a_b.sock");
}

}  // namespace
}  // namespace orvane
