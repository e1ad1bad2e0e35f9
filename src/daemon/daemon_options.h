#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "daemon/log_settings.h"
#include "frontend/backend_choice.h"
#include "service/listen_address.h"

namespace orvane {

// Where real clocks feed chronyd unless `--chrony-sock` says otherwise (see the README).
inline constexpr char kDefaultChronySocket[] = "/run/orvane.sock";
// 100 µs: a tenth of the millisecond the USB path itself blurs a sample by, so a receiver within
// it adds nothing chronyd could see, while one drifting on its own oscillator soon exceeds it.
inline constexpr double kDefaultMaxTimeError = 100e-6;

struct DaemonOptions {
  int simulate = 0;  // simulated clocks; 0: the attached ones
  std::string sim_ubx;
  SimScenario sim_scenario = SimScenario::kNone;
  std::string trace;  // "-": standard error
  // The socket template; empty: no feed (--no-chrony). Simulated clocks get one only when it is
  // named.
  std::string chrony_socket;
  std::optional<ListenAddress> ubx_listen;
  std::optional<ListenAddress> metrics_listen;
  // Set: measure the offsets for this long, print them and exit.
  std::optional<std::chrono::seconds> estimate_offset;
  std::optional<double> alarm_accuracy_ppb;
  std::vector<std::string> alarm_exec;  // the program and its arguments; empty: none
  std::optional<LogSettings> log;       // set by --log-dir
  // A sample is sent only while the receiver's time accuracy estimate is within this.
  double max_time_error_seconds = kDefaultMaxTimeError;
  // --control-socket; empty: none named, DefaultControlSocket() is tried.
  std::string control_socket;
};

// Where the control socket goes when --control-socket names none: in systemd's
// RuntimeDirectory= (`runtime_directory`, null when unset), else /run/orvane.
std::string DefaultControlSocket(const char* runtime_directory);

// The outcome of reading the command line: the options, or the text to print and the exit code
// (0 for --help and --version, 2 for a mistake).
struct ParsedOptions {
  std::optional<DaemonOptions> options;
  std::string message;
  int exit_code = 0;
};

// `arguments` as main() gets them, program name first.
ParsedOptions ParseDaemonOptions(const std::vector<std::string>& arguments);

}  // namespace orvane
