// A readback through orvaned's control socket against the same readback on a session of one's
// own: the socket, the request codec and the wait for the clock's worker are the difference.
// One simulated clock, the service polling it on its own thread as it does in use. And the
// service's poll pace while 8 clients ask for readbacks without pause.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

#include "sim/simulated_backend.h"
#include "support/control_client.h"
#include "support/running_service.h"

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
  testing_support::RunningService service({.record_received = false});
  if (!service.WaitServing("G60031")) state.SkipWithError("the service serves no clock");
  testing_support::ControlClient client(service.socket() + ".ro");
  for (auto _ : state) benchmark::DoNotOptimize(client.Ask(R"({"op":"readback"})"));
}
BENCHMARK(BM_ReadbackThroughService)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest gap between two of the service's polls of the clock (each poll asks for the PLL
// reference: a "set 00 0A" line in the trace) while 8 clients ask for readbacks back to back.
double LargestPollGapMs(const std::string& trace) {
  std::istringstream lines(trace);
  std::string line;
  double last = -1;
  double largest = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    double seconds = 0;
    std::string serial;
    std::string kind;
    std::string report_id;
    std::string command;
    fields >> seconds >> serial >> kind >> report_id >> command;
    if (kind != "set" || command != "0A") continue;
    if (last >= 0) largest = std::max(largest, (seconds - last) * 1000);
    last = seconds;
  }
  return largest;
}

void BM_PollSpacingWith8Clients(benchmark::State& state) {
  constexpr int kClients = 8;
  constexpr auto kBusyFor = std::chrono::seconds(5);
  double largest_gap_ms = 0;
  std::int64_t readbacks = 0;
  for (auto _ : state) {
    std::ostringstream trace;
    {
      testing_support::RunningService service({.trace = &trace, .record_received = false});
      if (!service.WaitServing("G60031")) state.SkipWithError("the service serves no clock");
      std::atomic<std::int64_t> answered = 0;
      SteadyClock clock;
      const auto end = clock.Now() + kBusyFor;
      std::vector<std::thread> clients;
      for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&] {
          testing_support::ControlClient client(service.socket() + ".ro");
          while (clock.Now() < end) {
            if (client.Ask(R"({"op":"readback"})").find("configuration") != std::string::npos) {
              ++answered;
            }
          }
        });
      }
      for (std::thread& client : clients) client.join();
      readbacks += answered;
    }
    largest_gap_ms = std::max(largest_gap_ms, LargestPollGapMs(trace.str()));
  }
  state.counters["max_poll_gap_ms"] = largest_gap_ms;
  state.counters["readbacks_per_s"] =
      benchmark::Counter(static_cast<double>(readbacks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PollSpacingWith8Clients)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
