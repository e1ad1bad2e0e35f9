#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_context.h"
#include "cli/frequency_commands.h"

namespace orvane {

// The global options, shared by every subcommand.
struct GlobalOptions {
  std::string serial;
  int simulate = 0;
  std::string sim_ubx;
  std::string sim_scenario;
  std::string trace;
  bool json = false;
  std::string service;  // --service PATH: through that control socket, or fail
  bool direct = false;  // --direct: open the clock here even while the service serves it
};

// orvanectl's command line: the global options and every subcommand with its options, declared
// in the order the help lists them. After `app()` has parsed the arguments, Run* runs the
// subcommand that was given.
class CommandLine {
 public:
  CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  CLI::App& app() { return app_; }
  const GlobalOptions& global() const { return global_; }

  // Runs the subcommand when it needs no clock (plan); false when it needs one.
  bool RunWithoutClock(std::ostream& out) const;
  void RunOnClock(CommandContext& context) const;

 private:
  using Run = std::function<void(CommandContext&)>;

  CLI::App* Add(const char* name, const char* help, Run run);
  void DeclareGlobalOptions();
  void DeclareClockCommands();      // list, show
  void DeclareFrequencyCommands();  // plan, set-frequency, program
  void DeclareSettingCommands();    // output ... register
  void DeclareStreamCommands();     // monitor, record

  CLI::App app_;
  GlobalOptions global_;
  std::vector<std::pair<CLI::App*, Run>> commands_;

  double show_wait_ = 0;
  CLI::App* plan_ = nullptr;
  FrequencyRequest plan_request_;
  bool plan_all_ = false;
  std::size_t plan_limit_ = 10;
  FrequencyRequest set_request_;
  double lock_wait_ = 3;
  DividerTexts program_texts_;
  std::string output_state_;
  int drive_ma_ = 0;
  std::string constellation_list_;
  std::optional<std::string> correction_ppb_;
  double correction_wait_ = 5;
  std::string new_serial_;
  double serial_wait_ = 3;
  std::string register_, data_;
  double monitor_interval_ = 1;
  long monitor_count_ = 0;
  std::string record_path_;
  double record_duration_ = 0;
  bool record_raw_ = false;
};

}  // namespace orvane
