#include "cli/app.h"

#include "cli/command_line.h"
#include "cli/exchange_watch.h"
#include "cli/exit_codes.h"
#include "device/hid/tracing_backend.h"
#include "engine/clock_session.h"
#include "frontend/shared_options.h"
#include "frontend/sim_scenario_option.h"

namespace orvane {

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
    std::unique_ptr<HidBackend> backend = environment.make_backend(request, trace, error);
    if (!backend) return fail(ExitCode::kBadInput, error);
    TracingBackend traced(*backend, trace);
    ExchangeWatch watch(traced);
    ClockSession session(watch, trace, environment.clock);
    CommandContext context{session,       environment.out,        global.json,
                           global.serial, environment.watch_stop, environment.share_map};
    command_line.RunOnClock(context);
    if (watch.failures() > 0) {
      return fail(ExitCode::kDeviceFailed,
                  "the clock refused or failed " + std::to_string(watch.failures()) + " report(s)");
    }
  } catch (const CommandError& error) {
    return fail(error.code(), error.what());
  }
  return 0;
}

}  // namespace orvane
