// A readback through orvaned's control socket against the same readback on a session of one's
// own: the socket, the request codec and the wait for the clock's worker are the difference.
// One simulated clock, the service polling it on its own thread as it does in use. And the
// service's poll pace while 8 clients ask for readbacks without pause.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

#include "daemon/clock_daemon.h"
#include "daemon/control_requests.h"
#include "device/hid/tracing_backend.h"
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

// The service on one simulated clock, its loop on a thread of its own, its control socket in a
// scratch folder; every exchange traced when `trace_out` is given.
class ServiceRig {
 public:
  explicit ServiceRig(std::ostream* trace_out = nullptr) : trace_(trace_out, clock_) {
    backend_.AddDevice(Clock());
    settings_.control = &directory_;
    daemon_ = std::make_unique<ClockDaemon>(traced_, trace_, clock_, log_, settings_);
    std::string error;
    server_ = ControlServer::Start(
        dir_ + "/control", {},
        [this](const ControlRequest& request, const ControlPeer& peer) {
          return AnswerControlRequest(directory_, request, peer, log_);
        },
        log_, &error, directory_.outbox());
    loop_ = std::thread([this] {
      while (running_) {
        const auto next =
            std::min(daemon_->RunOnce(), clock_.Now() + std::chrono::milliseconds(10));
        if (next > clock_.Now()) clock_.SleepFor(next - clock_.Now());
      }
    });
    testing_support::ControlClient client(socket());
    while (client.Ask(R"({"op":"readback"})").find("configuration") == std::string::npos) {
      clock_.SleepFor(std::chrono::milliseconds(10));  // until the service serves the clock
    }
  }
  ~ServiceRig() {
    server_.reset();
    running_ = false;
    loop_.join();
    daemon_->Stop();
    rmdir(dir_.c_str());
  }

  std::string socket() const { return dir_ + "/control.ro"; }
  SteadyClock& clock() { return clock_; }

 private:
  SteadyClock clock_;
  SimulatedBackend backend_{clock_};
  TraceLog trace_;
  TracingBackend traced_{backend_, trace_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  ControlDirectory directory_;
  DaemonSettings settings_;
  std::unique_ptr<ClockDaemon> daemon_;
  std::string dir_ = mkdtemp(std::string("/tmp/bench-control-XXXXXX").data());
  std::unique_ptr<ControlServer> server_;
  std::atomic<bool> running_ = true;
  std::thread loop_;
};

void BM_ReadbackThroughService(benchmark::State& state) {
  ServiceRig rig;
  testing_support::ControlClient client(rig.socket());
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
      ServiceRig rig(&trace);
      std::atomic<std::int64_t> answered = 0;
      const auto end = rig.clock().Now() + kBusyFor;
      std::vector<std::thread> clients;
      for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&] {
          testing_support::ControlClient client(rig.socket());
          while (rig.clock().Now() < end) {
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
