#include "daemon/clock_daemon.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <tuple>

#include "history/csv_log.h"
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
  // The manual clock's day may lie before this build's.
  DaemonTest() {
    settings_.sample_gate.not_before = std::chrono::floor<std::chrono::days>(ManualClock::kEpoch);
  }

  ClockDevice& AddClock(std::string serial, ClockDeviceOptions options = {}) {
    options.serial = std::move(serial);
    options.make_receiver = [this] {
      return std::make_unique<ReceiverModel>(1, clock_.RealtimeAt(clock_.Now()));
    };
    return backend_.AddDevice(options);
  }

  void Start() {
    settings_.threads = false;  // the manual clock moves only between the loop's calls
    daemon_ = std::make_unique<ClockDaemon>(backend_, trace_, clock_, log_, settings_);
  }

  std::string Slurp(const std::string& path) const {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Runs the loop, waiting as the service would, until `duration` has passed.
  void RunFor(std::chrono::nanoseconds duration) {
    const std::chrono::nanoseconds end = clock_.Now() + duration;
    for (int ticks = 0; clock_.Now() < end && ticks < 1'000'000; ++ticks) {
      const std::chrono::nanoseconds next = std::min(daemon_->RunOnce(), end);
      if (next > clock_.Now()) clock_.Advance(next - clock_.Now());
    }
  }

  ManualClock clock_;
  SimulatedBackend backend_{clock_};
  std::ostringstream trace_text_;
  TraceLog trace_{&trace_text_, clock_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  DaemonSettings settings_;
  MetricsBoard metrics_;
  std::unique_ptr<ClockDaemon> daemon_;
  std::string dir_ = mkdtemp((testing::TempDir() + "orvaned-XXXXXX").data());  // the test's own
};

// A socket listening on 127.0.0.1:`port`; -1 where the port is taken.
int ListenOn(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      listen(fd, 1) == 0) {
    return fd;
  }
  close(fd);
  return -1;
}

// A loopback port free with the next one, for the shares of two clocks; below the ephemeral
// range, so the kernel does not hand them out meanwhile.
std::uint16_t FreePort() {
  const auto free = [](std::uint16_t port) { return close(ListenOn(port)) == 0; };
  auto port = static_cast<std::uint16_t>(20000 + getpid() % 10000);
  while (!free(port) || !free(port + 1)) port += 2;
  return port;
}

// chronyd's end of the SOCK refclock.
int BindChronyEnd(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}
std::vector<SockSample> Samples(int fd) {
  std::vector<SockSample> samples;
  for (SockSample s; recv(fd, &s, sizeof s, MSG_DONTWAIT) == sizeof s;) samples.push_back(s);
  close(fd);
  return samples;
}

// The receiver rates the clock was sent, in order.
std::vector<CfgMsg> Rates(const ClockDevice& device) {
  std::vector<CfgMsg> rates;
  for (const auto& report : device.received()) {
    if (report.size() < 2 || report[1] != command::kReceiverMessage) continue;
    const ReceiverMessage message = DecodeReceiverMessage(report);
    if (auto rate = DecodeCfgMsg(message.following.first(message.length))) rates.push_back(*rate);
  }
  return rates;
}

double Seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec * 1e-6; }

TEST_F(DaemonTest, SamplesOnlyWhenLockedWithValidUtcAfterSettlingAndRatesOffAtStop) {
  // Serial, whether the PLL can lock, whether a read fails at 5 s (the clock is lost and opened
  // again), and the samples chronyd gets.
  const std::tuple<const char*, bool, bool, std::size_t> kCases[] = {
      {"G60031", true, false, 7}, {"G60032", false, false, 0}, {"G60033", true, true, 5}};
  for (const auto& [serial, pll_can_lock, link_fails, count] : kCases) {
    SCOPED_TRACE(serial);
    ClockDeviceOptions options;
    if (!pll_can_lock) options.stored.dividers = {};
    ClockDevice& device = AddClock(serial, options);
    const int chronyd = BindChronyEnd(dir_ + "/" + serial + ".sock");
    const double connected =
        std::chrono::duration<double>(clock_.RealtimeAt(clock_.Now()).time_since_epoch()).count();
    settings_.chrony_socket = dir_ + "/%s.sock";
    settings_.metrics = &metrics_;
    Start();
    RunFor(seconds(5));
    if (link_fails) device.FailNextRead();
    RunFor(seconds(5));
    const std::vector<SockSample> samples = Samples(chronyd);
    EXPECT_EQ(samples.size(), count);
    // The metrics tell the clock's state as the device and the chronyd end see it.
    const std::string metrics = metrics_.Text();
    const std::string label = std::string("{serial=\"") + serial + "\"} ";
    for (const std::string& line :
         {"orvane_up" + label + "1", "orvane_pll_locked" + label + (pll_can_lock ? "1" : "0"),
          "orvane_chrony_samples_total" + label + std::to_string(count),
          "orvane_device_reconnects_total" + label + (link_fails ? "1" : "0")}) {
      EXPECT_NE(metrics.find(line + "\n"), std::string::npos) << line << "\n" << metrics;
    }
    for (const SockSample& sample : samples) {
      // Stamped where the epoch's output began, within the device's report period after the
      // second, though the message's tail waits a solution in the device's buffer.
      EXPECT_NEAR(sample.offset, -0.005, 0.0051) << sample.offset;
      const double utc = Seconds(sample.tv) + sample.offset;
      EXPECT_NEAR(utc, std::round(utc), 1e-6);
      EXPECT_GE(Seconds(sample.tv), connected + 3.0);  // no UTC before the receiver's fix
    }
    daemon_->Stop();
    // The time messages on while served; at stop the rest off, NAV-TIMEUTC left on for the
    // window's host clock.
    const std::vector<CfgMsg> rates = Rates(device);
    std::map<std::uint8_t, int> last;  // each message's rate as last sent
    for (const CfgMsg& rate : rates) last[rate.msg_id] = rate.rate;
    const std::map<std::uint8_t, int> at_stop = {
        {kUbxIdNavSvInfo, 0}, {kUbxIdNavClock, 0}, {kUbxIdNavTimeUtc, 4}, {kUbxIdNavTimeLs, 0}};
    EXPECT_EQ(last, at_stop);
    EXPECT_NE(std::ranges::find(rates, CfgMsg{kUbxClassNav, kUbxIdNavTimeLs, 40}), rates.end());
    device.Unplug();
  }
}

TEST_F(DaemonTest, ClocksComeAndGoWithTheirPortsInSerialOrder) {
  ClockDevice& second = AddClock("G60032");
  ClockDevice& first = AddClock("G60031");
  const std::uint16_t port = FreePort();
  const std::string map = dir_ + "/ubx-share";
  const auto shares = [&] { return Slurp(map); };
  const auto at = [&](int offset) { return " 127.0.0.1:" + std::to_string(port + offset) + "\n"; };
  settings_.ubx_listen = ListenAddress{"127.0.0.1", port};
  settings_.share_map_path = map;
  Start();
  RunFor(seconds(1));
  EXPECT_EQ(shares(), "G60031" + at(0) + "G60032" + at(1));
  EXPECT_EQ(daemon_->Status(), "serving 2 clock(s), 0 feeding chronyd");

  first.Unplug();
  RunFor(seconds(3));
  // A clock that left keeps its port: another one never takes it.
  AddClock("G60033");
  RunFor(seconds(2));
  EXPECT_EQ(shares(), "G60031" + at(0) + "G60032" + at(1) + "G60033" + at(2));
  first.Replug();
  RunFor(seconds(2));

  // A serial-number change re-enumerates the clock under its new serial.
  ClockSession other(backend_, trace_, clock_);
  other.Connect("G60032");
  ASSERT_TRUE(other.WriteSerialNumber("G60039").sent);
  RunFor(seconds(3));
  EXPECT_EQ(shares(), "G60031" + at(0) + "G60032" + at(1) + "G60033" + at(2) + "G60039" + at(3));
  EXPECT_EQ(second.serial(), "G60039");
}

TEST_F(DaemonTest, TwinSerialsLoggedOnceOddSerialsOneWordAndATakenPortTriedAgain) {
  AddClock("G60031");
  AddClock("G60031");
  AddClock("G6 003/4");
  const std::uint16_t port = FreePort();
  // Another program holds the first port when the clocks come.
  const int holder = ListenOn(port);
  ASSERT_GE(holder, 0);
  settings_.ubx_listen = ListenAddress{"127.0.0.1", port};
  settings_.share_map_path = dir_ + "/ubx-share";
  Start();
  RunFor(seconds(3));
  close(holder);
  RunFor(seconds(2));
  EXPECT_EQ(Slurp(settings_.share_map_path), "G6_003_4 127.0.0.1:" + std::to_string(port) +
                                                 "\nG60031 127.0.0.1:" + std::to_string(port + 1) +
                                                 "\n");
  const std::string log = log_text_.str();
  const std::string twins = "G60031: two clocks have this serial";
  EXPECT_NE(log.find(twins), std::string::npos) << log;
  EXPECT_EQ(log.find(twins), log.rfind(twins)) << log;
  const std::string taken = "G6 003/4: cannot share the UBX stream";
  EXPECT_EQ(log.find(taken), log.rfind(taken)) << log;
  EXPECT_NE(log.find("G6 003/4: UBX stream shared on"), std::string::npos) << log;
}

TEST_F(DaemonTest, AClockWhoseCallsHangHoldsUpNoOther) {
  // Real time, as the service runs: each clock's exchanges on its own thread.
  SteadyClock steady;
  SimulatedBackend backend(steady);
  ClockDevice& wedged = backend.AddDevice({.serial = "G60031", .make_receiver = nullptr});
  backend.AddDevice({.serial = "G60032", .make_receiver = nullptr});
  TraceLog trace(nullptr, steady);
  std::mutex mutex;
  std::vector<double> delays;  // of G60032's samples, from receipt to chronyd's socket
  DaemonSettings settings;
  settings.sample_sink = [&](const std::string& serial, const SockSample& sample) {
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::lock_guard lock(mutex);
    if (serial == "G60032") delays.push_back(now - Seconds(sample.tv));
  };
  ClockDaemon daemon(backend, trace, steady, log_, settings);
  const auto run_until = [&](std::chrono::nanoseconds end) {
    for (int i = 0; i < 10'000 && steady.Now() < end; ++i) {
      const std::chrono::nanoseconds next = std::min(daemon.RunOnce(), end);
      if (next > steady.Now()) steady.SleepFor(next - steady.Now());
    }
  };
  for (int i = 0; i < 100 && daemon.Status() != "serving 2 clock(s), 0 feeding chronyd"; ++i) {
    run_until(steady.Now() + ServedClock::kPollInterval);
  }
  // Every poll of this clock asks for its reference count: each tick now blocks for seconds.
  wedged.HangFeatureCalls(seconds(1));
  run_until(steady.Now() + seconds(7));
  wedged.HangFeatureCalls({});
  daemon.Stop();
  std::lock_guard lock(mutex);
  EXPECT_GE(delays.size(), 3u);
  // A loop held up by the other clock would deliver them a second or more late.
  for (double delay : delays) EXPECT_LT(delay, 0.5);
}

TEST_F(DaemonTest, UnplugAndReplugReachTheLogTheCountsAndTheAlarmCommand) {
  ClockDevice& device = AddClock("G60031");
  const std::string out = dir_ + "/alarms";
  settings_.alarm_exec = {"/bin/sh", "-c", "echo \"$ORVANE_EVENT $ORVANE_SERIAL\" >> " + out};
  Start();
  RunFor(seconds(3));
  device.Unplug();
  RunFor(seconds(3));
  device.Replug();
  RunFor(seconds(3));
  // The commands run for real, one after the other.
  const auto ran = [&] { return Slurp(out); };
  const std::string expected =
      "lock_regained G60031\ndevice_gone G60031\ndevice_back G60031\nlock_lost G60031\n"
      "lock_regained G60031\n";
  for (int i = 0; i < 500 && ran() != expected; ++i) {
    daemon_->RunOnce();
    usleep(10'000);
  }
  EXPECT_EQ(ran(), expected);
  EXPECT_EQ(daemon_->alarm_counts("G60031").at("lock_regained"), 2u);
}

TEST_F(DaemonTest, LogsEveryClocksSamplesAndItsUbxFramesReplay) {
  const auto biases = [&](const std::string& serial) {
    std::ifstream in(dir_ + "/" + serial + "-2026-12-06.csv");
    std::vector<std::int32_t> biases;
    for (const HistorySample& sample : ReadCsv(in).samples) biases.push_back(sample.clock_bias_ns);
    return biases;
  };
  AddClock("G60031");
  AddClock("G60032");
  settings_.log = LogSettings{.dir = dir_, .record_ubx = true};
  Start();
  RunFor(seconds(10));
  daemon_->Stop();
  const std::vector<std::int32_t> recorded = biases("G60031");
  EXPECT_EQ(recorded.size(), 3u);
  EXPECT_EQ(biases("G60032"), recorded);

  std::string error;
  const auto capture = LoadCaptureFile(dir_ + "/G60031-2026-12-06.ubx", error);
  ASSERT_TRUE(capture) << error;
  backend_.AddDevice({.serial = "G60039",
                      .make_receiver = [&] { return std::make_unique<CaptureReplay>(*capture); }});
  Start();
  RunFor(seconds(1));
  // The replay loops over the recording, so its first rows are the recorded ones.
  std::vector<std::int32_t> replayed = biases("G60039");
  replayed.resize(recorded.size());
  EXPECT_EQ(replayed, recorded);
}

}  // namespace
}  // namespace orvane
