#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "device/monotonic_clock.h"
#include "service/journal_log.h"

namespace orvane {

// Runs one external command for events, at most one at a time per key (a clock's serial); later
// runs of a key wait in its queue. Never through a shell: the program (looked up in PATH) gets
// its arguments as given. The child gets a clean environment (PATH, the locale, the time zone)
// plus the run's variables, stdin from /dev/null, no other descriptors than stdout and stderr, an
// empty signal mask and default signal actions, and a process group of its own so that a kill
// reaches what it started. Nothing blocks: Poll() reaps, kills and starts from the caller's loop.
class CommandRunner {
 public:
  static constexpr std::chrono::seconds kTimeLimit{30};
  // Runs waiting per key; beyond it the oldest is dropped.
  static constexpr std::size_t kQueueLimit = 8;
  // How often Poll() wants to run while a command runs.
  static constexpr std::chrono::milliseconds kReapInterval{100};
  // How long Stop() lets running commands finish before it terminates them.
  static constexpr std::chrono::seconds kStopGrace{2};
  // How long a command has after SIGTERM before SIGKILL.
  static constexpr std::chrono::seconds kTermGrace{2};

  // `words`: the program and its arguments, at least the program.
  CommandRunner(std::vector<std::string> words, MonotonicClock& clock, JournalLog& log);
  ~CommandRunner();
  CommandRunner(const CommandRunner&) = delete;
  CommandRunner& operator=(const CommandRunner&) = delete;

  // Runs the command with `variables` ("NAME=value") added to the environment: now when none of
  // `key`'s is running, else after them.
  void Run(const std::string& key, std::vector<std::string> variables);
  // Reaps finished commands, terminates those past kTimeLimit (SIGTERM, SIGKILL kTermGrace
  // later) and starts waiting ones; returns the
  // monotonic time of the next call (far in the future when nothing runs).
  std::chrono::nanoseconds Poll();
  // Drops the waiting runs, waits up to kStopGrace for running ones, then terminates the rest
  // (SIGTERM, SIGKILL after kTermGrace).
  void Stop();

 private:
  struct Lane {
    pid_t pid = 0;  // 0: none running
    std::chrono::nanoseconds started{0};
    bool terminated = false;  // SIGTERM sent
    bool killed = false;      // SIGKILL sent
    std::deque<std::vector<std::string>> waiting;
  };

  // Starts waiting runs until one is running or none waits.
  void StartNext(const std::string& key, Lane& lane);
  pid_t Spawn(const std::string& key, const std::vector<std::string>& variables);
  // Reaps until nothing runs or `grace` has passed.
  void WaitForAll(std::chrono::nanoseconds grace);
  // Whether the lane's command has ended (it is then reaped and logged if it failed).
  bool Reaped(const std::string& key, Lane& lane, int wait_flags);
  void Log(LogPriority priority, const std::string& key, const std::string& message);

  std::vector<std::string> words_;
  MonotonicClock& clock_;
  JournalLog& log_;
  std::map<std::string, Lane> lanes_;
};

// The words of a command line: split at spaces, empty words dropped.
std::vector<std::string> CommandWords(const std::string& command_line);

}  // namespace orvane
