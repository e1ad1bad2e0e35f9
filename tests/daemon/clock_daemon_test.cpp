#include "daemon/clock_daemon.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/ubx_parser.h"
#include "engine/ubx_trace.h"
#include "protocol/cfg_msg.h"
#include "protocol/command_codes.h"
#include "protocol/commands.h"
#include "protocol/ubx_ids.h"
#include "sim/capture_replay.h"
#include "sim/receiver_model.h"
#include "sim/simulated_backend.h"

namespace orvane {
namespace {

using std::chrono::seconds;

// orvaned's loop on a manual clock over simulated clocks whose receivers start at the manual
// clock's wall time, so offsets come out as they would on a real host.
class DaemonTest : public testing::Test {
 protected:
  ClockDevice& AddClock(std::string serial, ClockDeviceOptions options = {}) {
    options.serial = std::move(serial);
    options.make_receiver = [this] {
      return std::make_unique<ReceiverModel>(
          1,
          std::chrono::time_point_cast<std::chrono::nanoseconds>(clock_.RealtimeAt(clock_.Now())));
    };
    return backend_.AddDevice(options);
  }

  void Start(DaemonSettings settings) {
    daemon_ = std::make_unique<ClockDaemon>(backend_, trace_, clock_, log_, std::move(settings));
  }

  // Runs the loop, waiting as the service would, until `duration` has passed.
  void RunFor(std::chrono::nanoseconds duration) {
    const std::chrono::nanoseconds end = clock_.Now() + duration;
    for (int ticks = 0; clock_.Now() < end && ticks < 1'000'000; ++ticks) {
      const std::chrono::nanoseconds next = std::min(daemon_->RunOnce(), end);
      if (next > clock_.Now()) clock_.Advance(next - clock_.Now());
    }
  }

  // A folder of its own under the test's temporary directory.
  static std::string ScratchDir() {
    std::string dir = testing::TempDir() + "orvaned-XXXXXX";
    EXPECT_NE(mkdtemp(dir.data()), nullptr);
    return dir;
  }

  // A loopback port that was free a moment ago.
  // A port whose next two are free as well, for the shares of several clocks: the kernel hands
  // out a free one, and the ones after it may be another process's.
  static std::uint16_t FreePort() {
    const auto bind_to = [](std::uint16_t port) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const int reuse = 1;
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(port);
      socklen_t length = sizeof address;
      const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
      close(fd);
      return bound ? ntohs(address.sin_port) : std::uint16_t{0};
    };
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::uint16_t port = bind_to(0);
      if (port < 65533 && bind_to(port + 1) != 0 && bind_to(port + 2) != 0) return port;
    }
    return 0;
  }

  ManualClock clock_;
  SimulatedBackend backend_{clock_};
  std::ostringstream trace_text_;
  TraceLog trace_{&trace_text_, clock_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  std::unique_ptr<ClockDaemon> daemon_;
};

// chronyd's end of the SOCK refclock.
int BindChronyEnd(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}
std::vector<SockSample> Samples(int fd) {
  std::vector<SockSample> samples(1);
  while (recv(fd, &samples.back(), sizeof(SockSample), MSG_DONTWAIT) == sizeof(SockSample)) {
    samples.emplace_back();
  }
  samples.pop_back();
  close(fd);
  return samples;
}

// The last two receiver rates the clock was sent.
std::vector<CfgMsg> LastRates(const ClockDevice& device) {
  std::vector<CfgMsg> rates;
  for (const auto& report : device.received()) {
    if (report.size() < 2 || report[1] != command::kReceiverMessage) continue;
    const ReceiverMessage message = DecodeReceiverMessage(report);
    if (auto rate = DecodeCfgMsg(message.following.first(message.length))) rates.push_back(*rate);
  }
  return rates.size() < 2 ? rates : std::vector(rates.end() - 2, rates.end());
}
const std::vector<CfgMsg> kRatesOff = {{kUbxClassNav, kUbxIdNavSvInfo, 0},
                                       {kUbxClassNav, kUbxIdNavClock, 0}};

double Seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec * 1e-6; }

TEST_F(DaemonTest, SamplesOnlyWhenLockedWithValidUtcAfterSettlingAndRatesOffAtStop) {
  const struct {
    const char* serial;
    bool pll_can_lock;
    bool link_fails;  // a failed read at 5 s: the clock is lost and opened again
    std::size_t samples;
  } cases[] = {{"G60031", true, false, 7}, {"G60032", false, false, 0}, {"G60033", true, true, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    ClockDeviceOptions options;
    if (!c.pll_can_lock) options.stored.dividers = {};
    ClockDevice& device = AddClock(c.serial, options);
    const std::string dir = ScratchDir();
    const int chronyd = BindChronyEnd(dir + "/" + c.serial + ".sock");
    const double connected =
        std::chrono::duration<double>(clock_.RealtimeAt(clock_.Now()).time_since_epoch()).count();
    DaemonSettings settings;
    settings.chrony_socket = dir + "/%s.sock";
    Start(settings);
    RunFor(seconds(5));
    if (c.link_fails) device.FailNextRead();
    RunFor(seconds(5));
    const std::vector<SockSample> samples = Samples(chronyd);
    EXPECT_EQ(samples.size(), c.samples);
    for (const SockSample& sample : samples) {
      EXPECT_EQ(sample.magic, kSockSampleMagic);
      EXPECT_EQ(sample.leap, 0);
      // Messages arrive after their second, by up to a solution's wait in the device's buffer.
      EXPECT_LT(sample.offset, 0);
      EXPECT_GT(sample.offset, -0.3);
      const double utc = Seconds(sample.tv) + sample.offset;
      EXPECT_NEAR(utc, std::round(utc), 1e-6);
      EXPECT_GE(Seconds(sample.tv), connected + 3.0);  // no UTC before the receiver's fix
    }
    daemon_->Stop();
    EXPECT_EQ(daemon_->Status(), "serving 0 clock(s), 0 feeding chronyd");
    EXPECT_EQ(LastRates(device), kRatesOff);
    device.Unplug();
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(DaemonTest, ClocksComeAndGoWithTheirPortsInSerialOrder) {
  ClockDevice& second = AddClock("G60032");
  ClockDevice& first = AddClock("G60031");
  const std::uint16_t port = FreePort();
  const std::string map = ScratchDir() + "/ubx-share";
  const auto at = [&](int offset) { return " 127.0.0.1:" + std::to_string(port + offset) + "\n"; };
  DaemonSettings settings;
  settings.ubx_listen = ListenAddress{"127.0.0.1", port};
  settings.share_map_path = map;
  Start(settings);
  RunFor(seconds(1));
  EXPECT_EQ(ReadFile(map), "G60031" + at(0) + "G60032" + at(1));
  EXPECT_EQ(daemon_->Status(), "serving 2 clock(s), 0 feeding chronyd");

  first.Unplug();
  RunFor(seconds(3));
  EXPECT_EQ(ReadFile(map), "G60032" + at(1));
  AddClock("G60033");
  RunFor(seconds(2));
  EXPECT_EQ(ReadFile(map), "G60032" + at(1) + "G60033" + at(0));

  // A serial-number change re-enumerates the clock under its new serial.
  ClockSession other(backend_, trace_, clock_);
  other.Connect("G60032");
  ASSERT_TRUE(other.WriteSerialNumber("G60039"));
  RunFor(seconds(3));
  EXPECT_EQ(ReadFile(map), "G60033" + at(0) + "G60039" + at(1));
  EXPECT_EQ(second.serial(), "G60039");
  const std::string log = log_text_.str();
  for (const char* line : {"G60031: serving the clock at sim:1", "G60031: lost; looking for it",
                           "G60031: gone", "G60032: lost", "G60032: gone", "G60039: serving"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
}

TEST_F(DaemonTest, ShareCarriesTheReplayedCaptureByteForByteFrameForFrameAsDecoded) {
  std::string error;
  const auto capture = LoadCaptureFile(ORVANE_UBX_CAPTURES_DIR "/gpsd_u-blox-m8t-time.log", error);
  ASSERT_TRUE(capture) << error;
  ClockDeviceOptions options;
  options.make_receiver = [&] { return std::make_unique<CaptureReplay>(*capture); };
  backend_.AddDevice(options);
  DaemonSettings settings;
  settings.ubx_listen = ListenAddress{"127.0.0.1", FreePort()};
  Start(settings);
  RunFor(seconds(1));
  const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(settings.ubx_listen->port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const timeval patience{10, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);

  // The share takes the client on its own thread: the clock runs until bytes flow.
  std::vector<std::uint8_t> shared(1 << 20);
  std::size_t got = 0;
  for (int i = 0; i < 5000 && got < 20000; ++i) {
    RunFor(ServedClock::kPollInterval);
    pollfd readable{client, POLLIN, 0};
    if (poll(&readable, 1, 1) <= 0) continue;
    got += std::max<ssize_t>(0, recv(client, shared.data() + got, shared.size() - got, 0));
  }
  daemon_.reset();  // closes the share: the client reads to the end
  for (ssize_t n = 1; n > 0 && got < shared.size(); got += std::max<ssize_t>(n, 0)) {
    n = recv(client, shared.data() + got, shared.size() - got, 0);
  }
  close(client);
  shared.resize(got);

  std::vector<std::uint8_t> looped = *capture;
  looped.insert(looped.end(), capture->begin(), capture->end());
  ASSERT_GE(shared.size(), 20000u);
  EXPECT_NE(std::search(looped.begin(), looped.end(), shared.begin(), shared.end()), looped.end());

  std::vector<std::string> from_share;
  UbxParser parser([&](const UbxFrame& frame) { from_share.push_back(UbxTraceText(frame)); });
  parser.Parse(shared);
  std::vector<std::string> decoded;
  std::istringstream trace(trace_text_.str());
  for (std::string line; std::getline(trace, line);) {
    if (const auto at = line.find(" ubx "); at != std::string::npos) {
      decoded.push_back(line.substr(at + 5));
    }
  }
  ASSERT_GE(from_share.size(), 50u);
  // Bytes published just before the share closed may not have left it.
  EXPECT_NE(std::search(decoded.begin(), decoded.end(), from_share.begin(), from_share.end()),
            decoded.end());
}

}  // namespace
}  // namespace orvane
