// A readback through orvaned's control socket against the same readback on a session of one's
// own: the socket, the request codec and the wait for the clock's worker are the difference.
// One simulated clock, the service polling it on its own thread as it does in use.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "daemon/clock_daemon.h"
#include "daemon/control_requests.h"
#include "sim/simulated_backend.h"
#include "support/control_client.h"

namespace orvane {
namespace {

ClockDeviceOptions Clock() {
  ClockDeviceOptions options;
  options.serial = "G60031";
  options.record_received = false;  // a long run must not keep every report
  return options;
}

void BM_ReadbackDirect(benchmark::State& state) {
  SteadyClock clock;
  SimulatedBackend backend(clock);
  backend.AddDevice(Clock());
  TraceLog trace(nullptr, clock);
  ClockSession session(backend, trace, clock);
  if (!session.Connect("G60031").configuration) state.SkipWithError("no clock");
  for (auto _ : state) benchmark::DoNotOptimize(session.FetchConfiguration());
}
BENCHMARK(BM_ReadbackDirect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadbackThroughService(benchmark::State& state) {
  SteadyClock clock;
  SimulatedBackend backend(clock);
  backend.AddDevice(Clock());
  TraceLog trace(nullptr, clock);
  std::ostringstream log_text;
  JournalLog log(log_text, false);
  ControlDirectory directory;
  DaemonSettings settings;
  settings.control = &directory;
  ClockDaemon daemon(backend, trace, clock, log, settings);
  std::string dir = mkdtemp(std::string("/tmp/bench-control-XXXXXX").data());
  std::string error;
  auto server = ControlServer::Start(
      dir + "/control", {},
      [&](const ControlRequest& request, const ControlPeer& peer) {
        return AnswerControlRequest(directory, request, peer, log);
      },
      log, &error, directory.outbox());
  std::atomic<bool> running = true;
  std::thread loop([&] {
    while (running) {
      const auto next = std::min(daemon.RunOnce(), clock.Now() + std::chrono::milliseconds(10));
      if (next > clock.Now()) clock.SleepFor(next - clock.Now());
    }
  });
  testing_support::ControlClient client(dir + "/control.ro");
  while (client.Ask(R"({"op":"readback"})").find("configuration") == std::string::npos) {
    clock.SleepFor(std::chrono::milliseconds(10));  // until the service serves the clock
  }
  for (auto _ : state) benchmark::DoNotOptimize(client.Ask(R"({"op":"readback"})"));
  server.reset();
  running = false;
  loop.join();
  daemon.Stop();
  rmdir(dir.c_str());
}
BENCHMARK(BM_ReadbackThroughService)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
