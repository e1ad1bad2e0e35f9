// orvaned's loop over a simulated day on the manual clock: prints the resident set size after
// every simulated hour, so that growth (a queue or a buffer that never shrinks) shows at once.
//   bench_daemon_memory [HOURS] [CLOCKS]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "daemon/clock_daemon.h"
#include "device/monotonic_clock.h"
#include "sim/simulated_backend.h"

namespace {

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvane;
  const int hours = argc > 1 ? std::atoi(argv[1]) : 24;
  const int clocks = argc > 2 ? std::atoi(argv[2]) : 1;
  ManualClock clock;
  SimulatedBackend backend(clock);
  for (int i = 0; i < clocks; ++i) {
    ClockDeviceOptions options;
    options.serial = "G" + std::to_string(60031 + i);
    options.record_received = false;  // as orvaned's simulated clocks
    backend.AddDevice(options);
  }
  TraceLog trace(nullptr, clock);
  std::ostringstream log_text;
  JournalLog log(log_text, false);
  DaemonSettings settings;
  // Every sample goes out through a real socket nobody listens on: the feed's retry path.
  settings.chrony_socket = "/nonexistent/orvane-%s.sock";
  // Shares with no client: what they are handed must not pile up.
  settings.ubx_listen = ListenAddress{"127.0.0.1", 47900};
  settings.threads = false;  // on a manual clock
  ClockDaemon daemon(backend, trace, clock, log, settings);
  std::printf("hour  rss_kib\n");
  for (int hour = 0; hour <= hours; ++hour) {
    const std::chrono::nanoseconds end = std::chrono::hours(hour);
    while (clock.Now() < end) {
      const std::chrono::nanoseconds next = std::min(daemon.RunOnce(), end);
      if (next > clock.Now()) clock.Advance(next - clock.Now());
    }
    std::printf("%4d  %7ld\n", hour, ResidentKiB());
    std::fflush(stdout);
  }
  daemon.Stop();
  return 0;
}
