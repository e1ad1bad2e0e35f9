#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <fstream>

#include "cli/clock_commands.h"
#include "cli/constellation_names.h"
#include "cli/exchange_watch.h"
#include "cli/exit_codes.h"
#include "cli/frequency_commands.h"
#include "cli/setting_commands.h"
#include "cli/stream_commands.h"
#include "device/hid/tracing_backend.h"
#include "engine/clock_session.h"
#include "frontend/sim_scenario_option.h"
#include "sim/simulated_clocks.h"

namespace orvane {
namespace {

// The serial number factory defaults gives a clock whose number is unset: the window's first.
constexpr char kFirstSerialNumber[] = "G60031";

// The global options, shared by every subcommand.
struct GlobalOptions {
  std::string serial;
  int simulate = 0;
  std::string sim_ubx;
  std::string sim_scenario;
  std::string trace;
  bool json = false;
};

void AddFrequencyOptions(CLI::App& command, FrequencyRequest& request) {
  command.add_option("HZ", request.hz, "Output frequency in Hz (365 Hz to 825 MHz)")->required();
  command.add_option("--vco", request.vco_index, "Entry of the VCO candidate list (default 0)");
  command.add_option("--n2hs", request.n2_hs, "N2_HS among the entry's choices (default: first)");
  command.add_option("--n2ls", request.n2_ls, "N2_LS among the entry's choices (default: first)");
  command.add_option("--bw", request.bw, "PLL bandwidth setting BW, 0 to 255 (default 15)");
}

// Bare --simulate means one clock, as in the window.
std::vector<std::string> WithSimulateCount(std::vector<std::string> args) {
  for (std::string& arg : args) {
    if (arg == "--simulate") arg = "--simulate=1";
  }
  return args;
}

}  // namespace

int RunOrvanectl(const std::vector<std::string>& args, const CliEnvironment& environment) {
  CLI::App app("Drives the Orvane USB GNSS reference clock from a terminal or a script.",
               "orvanectl");
  app.set_version_flag("--version", std::string("orvanectl ") + ORVANE_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.footer(
      "Exit status: 0 done, 1 the clock refused or failed (or was lost), 2 bad usage or input "
      "(nothing sent), 3 no clock found, 4 clock attached but cannot be opened.");
  GlobalOptions global;
  app.add_option("--serial", global.serial,
                 "Serial number of the clock to use (default: the "
                 "last listed that opens)");
  app.add_option("--simulate", global.simulate, "Use N simulated clocks (--simulate alone: one)")
      ->check(CLI::Range(1, kMaxSimulatedClocks));
  app.add_option("--sim-ubx", global.sim_ubx,
                 "Replay the UBX capture FILE as the simulated receiver's stream");
  app.add_option("--sim-scenario", global.sim_scenario, SimScenarioHelp())->type_name("NAME");
  app.add_option("--trace", global.trace, "Write the event trace to FILE (- for standard error)");
  app.add_flag("--json", global.json, "Output JSON (JSON lines for monitor)");

  std::vector<std::pair<CLI::App*, std::function<void(CommandContext&)>>> commands;
  const auto add = [&](const char* name, const char* help,
                       std::function<void(CommandContext&)> run) {
    CLI::App* command = app.add_subcommand(name, help);
    commands.emplace_back(command, std::move(run));
    return command;
  };

  add("list", "List the attached clocks and whether each can be used", RunList);

  double show_wait = 0;
  add("show", "Identity, stored configuration and live status",
      [&](CommandContext& context) { RunShow(context, show_wait); })
      ->add_option("--wait", show_wait,
                   "Wait up to S seconds for the receiver's clock and satellite messages");

  FrequencyRequest plan_request;
  bool plan_all = false;
  std::size_t plan_limit = 10;
  CLI::App* plan =
      app.add_subcommand("plan", "VCO candidates and divider choices; no clock needed");
  AddFrequencyOptions(*plan, plan_request);
  plan->add_flag("--all", plan_all, "List every VCO candidate");
  plan->add_option("--limit", plan_limit, "List the first N VCO candidates (default 10)");

  FrequencyRequest set_request;
  double lock_wait = 3;
  CLI::App* set_frequency =
      add("set-frequency", "Plan and program an output frequency, then wait for PLL lock",
          [&](CommandContext& context) { RunSetFrequency(context, set_request, lock_wait); });
  AddFrequencyOptions(*set_frequency, set_request);
  set_frequency->add_option("--wait", lock_wait, "Wait up to S seconds for lock (default 3)");

  DividerTexts program_texts{.bw = "15"};
  CLI::App* program = add("program", "Program a divider set through the window's field check",
                          [&](CommandContext& context) { RunProgram(context, program_texts); });
  program->add_option("--gps", program_texts.gps, "GPS (F3 reference) in Hz")->required();
  program->add_option("--n31", program_texts.n31, "N31")->required();
  program->add_option("--n2hs", program_texts.n2_hs, "N2_HS")->required();
  program->add_option("--n2ls", program_texts.n2_ls, "N2_LS")->required();
  program->add_option("--n1hs", program_texts.n1_hs, "N1_HS")->required();
  program->add_option("--nc1ls", program_texts.nc1_ls, "NC1_LS")->required();
  program->add_option("--nc2ls", program_texts.nc2_ls, "NC2_LS")->required();
  program->add_option("--bw", program_texts.bw, "BW, 0 to 255 (default 15)");

  std::string output_state;
  add("output", "Switch output 1 on or off",
      [&](CommandContext& context) { RunOutput(context, output_state == "on"); })
      ->add_option("STATE", output_state, "on or off")
      ->required()
      ->check(CLI::IsMember({"on", "off"}));

  int drive_ma = 0;
  add("drive", "Set output 1's drive strength",
      [&](CommandContext& context) { RunDrive(context, drive_ma); })
      ->add_option("MA", drive_ma, "8, 16, 24 or 32")
      ->required();

  add("blink", "Start the clock's LED blinking", RunBlink);

  std::string constellation_list;
  add("constellations", "Choose the satellite systems the receiver uses",
      [&](CommandContext& context) { RunConstellations(context, constellation_list); })
      ->add_option("LIST", constellation_list, AcceptedConstellationsText())
      ->required();

  std::optional<std::string> correction_ppb;
  double correction_wait = 5;
  CLI::App* correction = app.add_subcommand("correction", "The stored oscillator correction");
  correction->require_subcommand(1);
  CLI::App* correction_save = correction->add_subcommand(
      "save", "Store PPB, or the receiver's current estimate, as the oscillator correction");
  correction_save->add_option("PPB", correction_ppb, "Correction in ppb, -7500 to 7500");
  correction_save->add_option("--wait", correction_wait,
                              "Wait up to S seconds for the receiver's estimate (default 5)");
  commands.emplace_back(correction_save, [&](CommandContext& context) {
    RunCorrectionSave(context, correction_ppb, correction_wait);
  });

  std::string new_serial;
  double serial_wait = 3;
  CLI::App* serial =
      add("serial", "Write a new serial number; the clock comes back under it",
          [&](CommandContext& context) { RunSerial(context, new_serial, serial_wait); });
  serial->add_option("SERIAL", new_serial, "One letter and five digits, e.g. A12345")->required();
  serial->add_option("--wait", serial_wait, "Wait up to S seconds for the clock (default 3)");

  add("sleep", "Put the clock's microcontroller to sleep", RunSleep);
  add("factory-defaults", "Restore the factory set-up (10 MHz, 32 mA, output on)",
      [](CommandContext& context) { RunFactoryDefaults(context, kFirstSerialNumber); });

  std::string reg, data;
  CLI::App* register_write = add("register", "Write one PLL register",
                                 [&](CommandContext& context) { RunRegister(context, reg, data); });
  register_write->add_option("REG", reg, "Register address, 0 to 255")->required();
  register_write->add_option("DATA", data, "Value, 0 to 255")->required();

  double monitor_interval = 1;
  long monitor_count = 0;
  CLI::App* monitor =
      add("monitor", "Live status lines until Ctrl+C",
          [&](CommandContext& context) { RunMonitor(context, monitor_interval, monitor_count); });
  monitor->add_option("--interval", monitor_interval, "Seconds between lines (default 1)");
  monitor->add_option("--count", monitor_count, "Stop after N lines (default: no limit)");

  std::string record_path;
  double record_duration = 0;
  bool record_raw = false;
  CLI::App* record =
      add("record", "Record the receiver's UBX stream to a file", [&](CommandContext& context) {
        RunRecord(context, record_path, record_duration, record_raw);
      });
  record->add_option("FILE", record_path, "The .ubx file to write")->required();
  record->add_option("--duration", record_duration, "Stop after S seconds (default: Ctrl+C)");
  record->add_flag("--raw", record_raw, "Every stream byte as received, not only valid frames");

  const std::vector<std::string> full = WithSimulateCount(args);
  std::vector<const char*> argv = {"orvanectl"};
  for (const std::string& arg : full) argv.push_back(arg.c_str());
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
  try {
    if (plan->parsed()) {
      RunPlan(environment.out, global.json, plan_request, plan_all, plan_limit);
      return 0;
    }
    std::ofstream trace_file;
    std::ostream* trace_stream = nullptr;
    if (global.trace == "-") {
      trace_stream = &environment.err;
    } else if (!global.trace.empty()) {
      trace_file.open(global.trace);
      if (!trace_file)
        return fail(ExitCode::kBadInput, "cannot write the trace to " + global.trace);
      trace_stream = &trace_file;
    }
    TraceLog trace(trace_stream, environment.clock);
    std::string error;
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
    for (const auto& [command, run] : commands) {
      if (command->parsed()) run(context);
    }
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
