#include "daemon/daemon_options.h"

#include <CLI/CLI.hpp>
#include <sstream>
#include <tuple>

#include "daemon/command_runner.h"
#include "frontend/backend_choice.h"
#include "frontend/shared_options.h"
#include "frontend/sim_scenario_option.h"

namespace orvane {
namespace {

constexpr int kDefaultEstimateSeconds = 60;

}  // namespace

ParsedOptions ParseDaemonOptions(const std::vector<std::string>& arguments) {
  // CLI11 has no optional values: the bare forms get their defaults here.
  std::vector<std::string> words = WithBareSimulate(arguments);
  for (std::string& word : words) {
    if (word == "--estimate-offset") {
      word = "--estimate-offset=" + std::to_string(kDefaultEstimateSeconds);
    }
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());

  CLI::App app(
      "Serves Orvane GNSS reference clocks: a time source for chronyd and their "
      "receivers' UBX streams for gpsd.",
      "orvaned");
  app.set_version_flag("--version", std::string(ORVANE_VERSION));
  DaemonOptions options;
  std::optional<std::string> chrony_socket;
  std::string ubx_listen;
  std::string metrics_listen;
  int estimate_seconds = 0;
  app.add_option("--simulate", options.simulate,
                 "Serve N simulated clocks instead of USB devices (--simulate alone: one)")
      ->type_name("N")
      ->check(CLI::Range(1, kMaxSimulatedClocks));
  app.add_option("--sim-ubx", options.sim_ubx,
                 "Simulated receivers replay the recorded UBX capture FILE")
      ->type_name("FILE")
      ->check(CLI::ExistingFile);
  std::string sim_scenario;
  app.add_option("--sim-scenario", sim_scenario, SimScenarioHelp())->type_name("NAME");
  app.add_option("--trace", options.trace, "Write the event trace to FILE (- for standard error)")
      ->type_name("FILE");
  bool no_chrony = false;
  auto* chrony_option =
      app.add_option("--chrony-sock", chrony_socket,
                     "chronyd's `refclock SOCK` socket, %s standing for the serial with several "
                     "clocks (default for USB clocks: " +
                         std::string(kDefaultChronySocket) + ")")
          ->type_name("PATH");
  app.add_flag("--no-chrony", no_chrony, "Send nothing to chronyd")->excludes(chrony_option);
  app.add_option("--ubx-listen", ubx_listen,
                 "Share each clock's UBX stream on TCP, read-only: [ADDR:]PORT is the first "
                 "clock's, the next clocks get the next ports (address default 127.0.0.1)")
      ->type_name("ADDR:PORT");
  app.add_option("--metrics-listen", metrics_listen,
                 "Serve Prometheus metrics over HTTP on [ADDR:]PORT, read-only: GET /metrics "
                 "(address default 127.0.0.1)")
      ->type_name("ADDR:PORT");
  app.add_option("--alarm-accuracy-ppb", options.alarm_accuracy_ppb,
                 "Alarm when a clock's offset accuracy is worse than PPB (default: not watched)")
      ->type_name("PPB")
      ->check(CLI::PositiveNumber);
  std::string alarm_exec;
  app.add_option("--alarm-exec", alarm_exec,
                 "Run CMD for each alarm, split at spaces and never through a shell, with "
                 "ORVANE_EVENT, ORVANE_SERIAL and ORVANE_DETAIL in its environment")
      ->type_name("CMD");
  LogSettings log;
  std::string log_dir;
  auto* log_dir_option =
      app.add_option("--log-dir", log_dir,
                     "Log each clock's samples to daily CSV files DIR/SERIAL-YYYY-MM-DD.csv")
          ->type_name("DIR");
  app.add_flag("--record-ubx", log.record_ubx,
               "Also record each clock's UBX frames in daily DIR/SERIAL-YYYY-MM-DD.ubx files, "
               "which replay with --sim-ubx")
      ->needs(log_dir_option);
  app.add_option("--log-keep", log.keep_days,
                 "Keep each clock's log files of the last DAYS days, today's included")
      ->type_name("DAYS")
      ->capture_default_str()
      ->check(CLI::PositiveNumber)
      ->needs(log_dir_option);
  app.add_option("--max-time-error", options.max_time_error_seconds,
                 "Send chronyd a sample only while the receiver's time accuracy estimate is "
                 "within SECONDS")
      ->type_name("SECONDS")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--control-socket", options.control_socket,
                 "Serve clients (orvanectl, the window) on the Unix socket PATH (mode 0660, group "
                 "orvane) and read-only ones on PATH.ro (0666) (default: "
                 "$RUNTIME_DIRECTORY/control, else /run/orvane/control, where that folder is)")
      ->type_name("PATH");
  app.add_option("--estimate-offset", estimate_seconds,
                 "Print the mean and spread of the offsets that would be sent, over SECONDS "
                 "(alone: 60), and exit")
      ->type_name("SECONDS")
      ->check(CLI::PositiveNumber);

  ParsedOptions parsed;
  std::ostringstream out;
  std::ostringstream err;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& error) {
    // CLI11 numbers its mistakes; the program's convention is 2 for all of them.
    parsed.exit_code = app.exit(error, out, err) == 0 ? 0 : 2;
    parsed.message = out.str() + err.str();
    return parsed;
  }
  for (const auto& [name, text, address] :
       {std::tuple("--ubx-listen", &ubx_listen, &options.ubx_listen),
        std::tuple("--metrics-listen", &metrics_listen, &options.metrics_listen)}) {
    if (text->empty()) continue;
    std::string error;
    *address = ParseListenAddress(*text, &error);
    if (!*address) {
      parsed.message = std::string("orvaned: ") + name + " " + *text + ": " + error + "\n";
      parsed.exit_code = 2;
      return parsed;
    }
  }
  options.alarm_exec = CommandWords(alarm_exec);
  if (!sim_scenario.empty()) {
    BackendRequest request;
    std::string error;
    if (!ApplySimScenarioOption(sim_scenario, request, &error)) {
      parsed.message = "orvaned: " + error + "\n";
      parsed.exit_code = 2;
      return parsed;
    }
    options.sim_scenario = request.scenario;
  }
  options.simulate =
      BackendRequest{options.simulate, options.sim_ubx, options.sim_scenario}.SimulatedCount();
  // A simulated clock's time must never steer the host unless a socket is named for it.
  if (!no_chrony) {
    options.chrony_socket =
        chrony_socket.value_or(options.simulate > 0 ? "" : kDefaultChronySocket);
  }
  if (!log_dir.empty()) {
    log.dir = log_dir;
    options.log = log;
  }
  if (estimate_seconds > 0) options.estimate_offset = std::chrono::seconds(estimate_seconds);
  parsed.options = options;
  return parsed;
}

std::string DefaultControlSocket(const char* runtime_directory) {
  return std::string(runtime_directory != nullptr && *runtime_directory != '\0' ? runtime_directory
                                                                                : "/run/orvane") +
         "/control";
}

}  // namespace orvane
