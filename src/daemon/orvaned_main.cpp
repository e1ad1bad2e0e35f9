// orvaned: serves every attached Orvane clock unattended, as chronyd's time source and as a
// read-only UBX stream for gpsd and UBX tools.
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>

#include "daemon/clock_daemon.h"
#include "daemon/control_server.h"
#include "daemon/daemon_options.h"
#include "daemon/offset_estimate.h"
#include "daemon/offset_through_service.h"
#include "daemon/service_notifier.h"
#include "daemon/stop_signals.h"
#include "device/hid/tracing_backend.h"
#include "frontend/backend_choice.h"
#include "frontend/shared_options.h"
#include "service/metrics_server.h"

int main(int argc, char** argv) {
  using namespace orvane;
  const ParsedOptions parsed = ParseDaemonOptions({argv, argv + argc});
  if (!parsed.options) {
    (parsed.exit_code == 0 ? std::cout : std::cerr) << parsed.message;
    return parsed.exit_code;
  }
  const DaemonOptions& options = *parsed.options;
  if (std::string log_error; options.log && !PrepareLogDirectory(options.log->dir, &log_error)) {
    std::cerr << "orvaned: " << log_error << "\n";
    return 2;
  }
  // A file-size limit must fail the log's write (EFBIG), not kill the service.
  std::signal(SIGXFSZ, SIG_IGN);
  // Before any thread starts: the share's and the HID readers' threads inherit the mask.
  StopSignals stop;
  JournalLog log(std::cerr, IsJournalStream(std::getenv("JOURNAL_STREAM"), STDERR_FILENO));

  SteadyClock clock;
  TraceTarget trace_target;
  std::string error;
  if (!trace_target.Open(options.trace, std::cerr, error)) {
    std::cerr << "orvaned: " << error << "\n";
    return 2;
  }
  TraceLog trace(trace_target.stream(), clock);
  SampleGateSettings gate;
  gate.max_time_error = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::duration<double>(options.max_time_error_seconds));
  // A running service owns the clocks: the estimate takes their streams from it.
  const BackendRequest request{options.simulate, options.sim_ubx, options.sim_scenario};
  if (options.estimate_offset && request.SimulatedCount() == 0) {
    const std::string socket = options.control_socket.empty()
                                   ? DefaultControlSocket(std::getenv("RUNTIME_DIRECTORY"))
                                   : options.control_socket;
    if (const auto estimates =
            EstimateOffsetsThroughService(socket, *options.estimate_offset, gate, clock, trace,
                                          [&] { return !stop.WaitUntil(clock, clock.Now()); })) {
      return PrintOffsetEstimates(*estimates, std::cout);
    }
  }
  std::unique_ptr<HidBackend> backend = MakeBackend(request, clock, trace, error);
  if (!backend) {
    std::cerr << "orvaned: " << error << "\n";
    return 2;
  }
  TracingBackend traced(*backend, trace);
  // A scraper or share client that hangs up mid-answer must not end the service.
  std::signal(SIGPIPE, SIG_IGN);
  MetricsBoard metrics;
  std::unique_ptr<MetricsServer> metrics_server;
  if (options.metrics_listen) {
    metrics_server = MetricsServer::Start(
        *options.metrics_listen, [&metrics] { return metrics.Text(); }, &error);
    if (!metrics_server) {
      std::cerr << "orvaned: --metrics-listen: " << error << "\n";
      return 2;
    }
    log.Write(LogPriority::kNotice,
              "metrics on http://" + metrics_server->address().ToString() + "/metrics");
  }

  DaemonSettings settings;
  settings.chrony_socket = options.chrony_socket;
  settings.ubx_listen = options.ubx_listen;
  if (metrics_server) settings.metrics = &metrics;
  settings.alarm_accuracy_ppb = options.alarm_accuracy_ppb;
  settings.alarm_exec = options.alarm_exec;
  settings.log = options.log;
  settings.sample_gate = gate;
  // systemd's RuntimeDirectory=: where `orvanectl list` finds the share's ports.
  if (const char* runtime = std::getenv("RUNTIME_DIRECTORY"); runtime && options.ubx_listen) {
    settings.share_map_path = std::string(runtime) + "/ubx-share";
  }
  std::map<std::string, OffsetEstimate> estimates;
  std::mutex estimates_mutex;  // each clock's worker thread adds its samples
  if (options.estimate_offset) {
    settings.sample_sink = [&](const std::string& serial, const SockSample& sample) {
      std::lock_guard lock(estimates_mutex);
      estimates[serial].Add(sample.offset);
    };
  }
  ControlDirectory control_directory;
  if (!options.estimate_offset) settings.control = &control_directory;
  ClockDaemon daemon(traced, trace, clock, log, std::move(settings));
  // After the daemon: the server ends first, while every clock's worker still exists.
  std::unique_ptr<ControlServer> control_server;
  if (!options.estimate_offset) {
    const bool named = !options.control_socket.empty();
    const std::string path =
        named ? options.control_socket : DefaultControlSocket(std::getenv("RUNTIME_DIRECTORY"));
    control_server = ControlServer::Start(
        path, {},
        [&control_directory, &log](const ControlRequest& request, const ControlPeer& peer) {
          return AnswerControlRequest(control_directory, request, peer, log);
        },
        log, &error, control_directory.outbox(),
        [&control_directory](ControlClientId client) { control_directory.Forget(client); });
    if (!control_server && named) {
      std::cerr << "orvaned: --control-socket: " << error << "\n";
      return 2;
    }
    // Unnamed, a missing /run/orvane (a run outside systemd) only leaves clients out.
    if (!control_server) log.Write(LogPriority::kNotice, "no control socket: " + error);
  }
  ServiceNotifier notifier;
  log.Write(LogPriority::kInfo,
            std::string("started") + (options.simulate ? " on simulated clocks" : "") +
                (options.chrony_socket.empty() ? "; no chrony feed"
                                               : "; chrony socket " + options.chrony_socket));
  const std::chrono::nanoseconds end = options.estimate_offset
                                           ? clock.Now() + *options.estimate_offset
                                           : std::chrono::nanoseconds::max();
  notifier.Ready(daemon.Status());
  while (stop.WaitUntil(clock, std::min(daemon.RunOnce(), end)) && clock.Now() < end) {
    notifier.Update(daemon.Status(), daemon.Healthy(), clock.Now());
  }
  notifier.Stopping();
  daemon.Stop();
  if (stop.signal() != 0) {
    log.Write(LogPriority::kInfo, std::string("stopped by ") + strsignal(stop.signal()));
  }
  if (!options.estimate_offset) return 0;
  return PrintOffsetEstimates(estimates, std::cout);
}
