#include "cli/command_line.h"

#include "cli/clock_commands.h"
#include "cli/setting_commands.h"
#include "cli/stream_commands.h"
#include "control/constellation_names.h"
#include "frontend/backend_choice.h"  // kMaxSimulatedClocks
#include "frontend/sim_scenario_option.h"

namespace orvane {
namespace {

// The serial number factory defaults gives a clock whose number is unset: the window's first.
constexpr char kFirstSerialNumber[] = "G60031";

void AddFrequencyOptions(CLI::App& command, FrequencyRequest& request) {
  command.add_option("HZ", request.hz, "Output frequency in Hz (365 Hz to 825 MHz)")->required();
  command.add_option("--vco", request.vco_index,
                     "Entry of the VCO candidate list (default: the first with an exact setting)");
  command.add_option("--n2hs", request.n2_hs,
                     "N2_HS among the entry's choices (default: the first with an N2_LS)");
  command.add_option("--n2ls", request.n2_ls, "N2_LS among the entry's choices (default: first)");
  command.add_option("--bw", request.bw, "PLL bandwidth setting BW, 0 to 255 (default 15)");
}

}  // namespace

CommandLine::CommandLine()
    : app_("Drives the Orvane USB GNSS reference clock from a terminal or a script.", "orvanectl") {
  DeclareGlobalOptions();
  DeclareClockCommands();
  DeclareFrequencyCommands();
  DeclareSettingCommands();
  DeclareStreamCommands();
}

bool CommandLine::RunWithoutClock(std::ostream& out) const {
  if (!plan_->parsed()) return false;
  RunPlan(out, global_.json, plan_request_, plan_all_, plan_limit_);
  return true;
}

void CommandLine::RunOnClock(CommandContext& context) const {
  for (const auto& [command, run] : commands_) {
    if (command->parsed()) run(context);
  }
}

CLI::App* CommandLine::Add(const char* name, const char* help, Run run) {
  CLI::App* command = app_.add_subcommand(name, help);
  commands_.emplace_back(command, std::move(run));
  return command;
}

void CommandLine::DeclareGlobalOptions() {
  app_.set_version_flag("--version", std::string("orvanectl ") + ORVANE_VERSION);
  app_.require_subcommand(1);
  app_.fallthrough();
  app_.footer(
      "Exit status: 0 done, 1 the clock refused or failed (or was lost), 2 bad usage or input "
      "(nothing sent), 3 no clock found, 4 clock attached but cannot be opened (or the service "
      "cannot be reached, or refused a change).");
  app_.add_option("--serial", global_.serial,
                  "Serial number of the clock to use (default: the "
                  "last listed that opens)");
  app_.add_option("--simulate", global_.simulate, "Use N simulated clocks (--simulate alone: one)")
      ->check(CLI::Range(1, kMaxSimulatedClocks));
  app_.add_option("--sim-ubx", global_.sim_ubx,
                  "Replay the UBX capture FILE as the simulated receiver's stream");
  app_.add_option("--sim-scenario", global_.sim_scenario, SimScenarioHelp())->type_name("NAME");
  app_.add_option("--trace", global_.trace, "Write the event trace to FILE (- for standard error)");
  app_.add_flag("--json", global_.json, "Output JSON (JSON lines for monitor)");
  CLI::Option* service =
      app_.add_option("--service", global_.service,
                      "Go through orvaned's control socket PATH (default: through "
                      "/run/orvane/control when orvaned serves the clock)")
          ->type_name("PATH");
  app_.add_flag("--direct", global_.direct, "Open the clock here, not through orvaned")
      ->excludes(service);
  service->excludes("--simulate")->excludes("--sim-ubx")->excludes("--sim-scenario");
}

void CommandLine::DeclareClockCommands() {
  Add("list", "List the attached clocks and whether each can be used", RunList);
  Add("show", "Identity, stored configuration and live status",
      [this](CommandContext& context) { RunShow(context, show_wait_); })
      ->add_option("--wait", show_wait_,
                   "Wait up to S seconds for the receiver's clock and satellite messages");
}

void CommandLine::DeclareFrequencyCommands() {
  program_texts_.bw = "15";
  plan_ = app_.add_subcommand("plan", "VCO candidates and divider choices; no clock needed");
  AddFrequencyOptions(*plan_, plan_request_);
  plan_->add_flag("--all", plan_all_, "List every VCO candidate");
  plan_->add_option("--limit", plan_limit_, "List the first N VCO candidates (default 10)");

  CLI::App* set_frequency =
      Add("set-frequency", "Plan and program an output frequency, then wait for PLL lock",
          [this](CommandContext& context) { RunSetFrequency(context, set_request_, lock_wait_); });
  AddFrequencyOptions(*set_frequency, set_request_);
  set_frequency->add_option("--wait", lock_wait_, "Wait up to S seconds for lock (default 3)");

  CLI::App* program = Add("program", "Program a divider set through the window's field check",
                          [this](CommandContext& context) { RunProgram(context, program_texts_); });
  program->add_option("--gps", program_texts_.gps, "GPS (F3 reference) in Hz")->required();
  program->add_option("--n31", program_texts_.n31, "N31")->required();
  program->add_option("--n2hs", program_texts_.n2_hs, "N2_HS")->required();
  program->add_option("--n2ls", program_texts_.n2_ls, "N2_LS")->required();
  program->add_option("--n1hs", program_texts_.n1_hs, "N1_HS")->required();
  program->add_option("--nc1ls", program_texts_.nc1_ls, "NC1_LS")->required();
  program->add_option("--nc2ls", program_texts_.nc2_ls, "NC2_LS")->required();
  program->add_option("--bw", program_texts_.bw, "BW, 0 to 255 (default 15)");
}

void CommandLine::DeclareSettingCommands() {
  Add("output", "Switch output 1 on or off",
      [this](CommandContext& context) { RunOutput(context, output_state_ == "on"); })
      ->add_option("STATE", output_state_, "on or off")
      ->required()
      ->check(CLI::IsMember({"on", "off"}));

  Add("drive", "Set output 1's drive strength",
      [this](CommandContext& context) { RunDrive(context, drive_ma_); })
      ->add_option("MA", drive_ma_, "8, 16, 24 or 32")
      ->required();

  Add("blink", "Start the clock's LED blinking", RunBlink);

  Add("constellations", "Choose the satellite systems the receiver uses",
      [this](CommandContext& context) { RunConstellations(context, constellation_list_); })
      ->add_option("LIST", constellation_list_, AcceptedConstellationsText())
      ->required();

  CLI::App* correction = app_.add_subcommand("correction", "The stored oscillator correction");
  correction->require_subcommand(1);
  CLI::App* correction_save = correction->add_subcommand(
      "save", "Store PPB, or the receiver's current estimate, as the oscillator correction");
  correction_save->add_option("PPB", correction_ppb_, "Correction in ppb, -7500 to 7500");
  correction_save->add_option("--wait", correction_wait_,
                              "Wait up to S seconds for the receiver's estimate (default 5)");
  commands_.emplace_back(correction_save, [this](CommandContext& context) {
    RunCorrectionSave(context, correction_ppb_, correction_wait_);
  });

  CLI::App* serial =
      Add("serial", "Write a new serial number; the clock comes back under it",
          [this](CommandContext& context) { RunSerial(context, new_serial_, serial_wait_); });
  serial->add_option("SERIAL", new_serial_, "One letter and five digits, e.g. A12345")->required();
  serial->add_option("--wait", serial_wait_, "Wait up to S seconds for the clock (default 3)");

  Add("sleep", "Put the clock's microcontroller to sleep", RunSleep);
  Add("factory-defaults", "Restore the factory set-up (10 MHz, 32 mA, output on)",
      [](CommandContext& context) { RunFactoryDefaults(context, kFirstSerialNumber); });

  CLI::App* register_write =
      Add("register", "Write one PLL register",
          [this](CommandContext& context) { RunRegister(context, register_, data_); });
  register_write->add_option("REG", register_, "Register address, 0 to 255")->required();
  register_write->add_option("DATA", data_, "Value, 0 to 255")->required();
}

void CommandLine::DeclareStreamCommands() {
  CLI::App* monitor = Add(
      "monitor", "Live status lines until Ctrl+C",
      [this](CommandContext& context) { RunMonitor(context, monitor_interval_, monitor_count_); });
  monitor->add_option("--interval", monitor_interval_, "Seconds between lines (default 1)");
  monitor->add_option("--count", monitor_count_, "Stop after N lines (default: no limit)");

  CLI::App* record =
      Add("record", "Record the receiver's UBX stream to a file", [this](CommandContext& context) {
        RunRecord(context, record_path_, record_duration_, record_raw_);
      });
  record->add_option("FILE", record_path_, "The .ubx file to write")->required();
  record->add_option("--duration", record_duration_, "Stop after S seconds (default: Ctrl+C)");
  record->add_flag("--raw", record_raw_, "Every stream byte as received, not only valid frames");
}

}  // namespace orvane
