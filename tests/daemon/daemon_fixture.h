#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <sstream>
#include <string>

#include "daemon/clock_daemon.h"
#include "device/monotonic_clock.h"
#include "sim/receiver_model.h"
#include "sim/simulated_backend.h"

namespace orvane {

// orvaned's loop on a manual clock over simulated clocks whose receivers start at the manual
// clock's wall time, so offsets come out as they would on a real host.
class DaemonTest : public testing::Test {
 protected:
  ClockDevice& AddClock(std::string serial) {
    ClockDeviceOptions options;
    options.serial = std::move(serial);
    return AddClock(std::move(options));
  }
  ClockDevice& AddClock(ClockDeviceOptions options) {
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
  static std::uint16_t FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
  }

  ManualClock clock_;
  SimulatedBackend backend_{clock_};
  std::ostringstream trace_text_;
  TraceLog trace_{&trace_text_, clock_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  std::unique_ptr<ClockDaemon> daemon_;
};

}  // namespace orvane
