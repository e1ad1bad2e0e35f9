#include "cli/app.h"

#include "access/direct_access.h"
#include "access/service_access.h"
#include "cli/command_line.h"
#include "cli/exchange_watch.h"
#include "cli/exit_codes.h"
#include "device/hid/tracing_backend.h"
#include "engine/clock_session.h"
#include "frontend/shared_options.h"
#include "frontend/sim_scenario_option.h"

namespace orvane {
namespace {

// The service's connection when the command goes through it; null when it opens the clock here:
// asked to, simulating, or no service serves the clock.
std::unique_ptr<ControlConnection> ServiceConnection(const GlobalOptions& global,
                                                     const BackendRequest& request,
                                                     const std::string& default_socket) {
  std::string error;
  std::unique_ptr<ControlConnection> connection =
      ChooseService(global.service, global.direct, request.SimulatedCount() > 0, default_socket,
                    global.serial, &error);
  if (!connection && !global.service.empty()) {
    throw CommandError(ExitCode::kCannotOpen, "cannot reach the service at " + error);
  }
  return connection;
}

ExitCode ExitCodeOf(AccessError::Kind kind) {
  switch (kind) {
    case AccessError::Kind::kRefused:
      return ExitCode::kCannotOpen;
    case AccessError::Kind::kNoClock:
      return ExitCode::kNoClock;
    case AccessError::Kind::kBadArgument:
      return ExitCode::kBadInput;
    case AccessError::Kind::kFailed:
      break;
  }
  return ExitCode::kDeviceFailed;
}

}  // namespace

int RunOrvanectl(const std::vector<std::string>& args, const CliEnvironment& environment) {
  CommandLine command_line;
  CLI::App& app = command_line.app();
  std::vector<std::string> words = WithBareSimulate(args);
  words.insert(words.begin(), "orvanectl");
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error, environment.out, environment.err);
    return code == 0 ? 0 : static_cast<int>(ExitCode::kBadInput);
  }

  const auto fail = [&](ExitCode code, const std::string& message) {
    environment.err << "orvanectl: " << message << '\n';
    return static_cast<int>(code);
  };
  const GlobalOptions& global = command_line.global();
  try {
    if (command_line.RunWithoutClock(environment.out)) return 0;
    TraceTarget trace_target;
    std::string error;
    if (!trace_target.Open(global.trace, environment.err, error)) {
      return fail(ExitCode::kBadInput, error);
    }
    TraceLog trace(trace_target.stream(), environment.clock);
    BackendRequest request{global.simulate, global.sim_ubx};
    if (!global.sim_scenario.empty() &&
        !ApplySimScenarioOption(global.sim_scenario, request, &error)) {
      return fail(ExitCode::kBadInput, error);
    }
    const auto run = [&](ClockAccess& access) {
      CommandContext context{access,        environment.out,        global.json,
                             global.serial, environment.watch_stop, environment.share_map};
      command_line.RunOnClock(context);
    };
    if (std::unique_ptr<ControlConnection> connection =
            ServiceConnection(global, request, environment.control_socket)) {
      ServiceAccess access(std::move(connection), trace, environment.clock);
      run(access);
      return 0;
    }
    std::unique_ptr<HidBackend> backend = environment.make_backend(request, trace, error);
    if (!backend) return fail(ExitCode::kBadInput, error);
    TracingBackend traced(*backend, trace);
    ExchangeWatch watch(traced);
    ClockSession session(watch, trace, environment.clock);
    DirectAccess access(session);
    run(access);
    if (watch.failures() > 0) {
      return fail(ExitCode::kDeviceFailed,
                  "the clock refused or failed " + std::to_string(watch.failures()) + " report(s)");
    }
  } catch (const CommandError& error) {
    return fail(error.code(), error.what());
  } catch (const AccessError& error) {
    return fail(ExitCodeOf(error.kind()), error.what());
  }
  return 0;
}

}  // namespace orvane
