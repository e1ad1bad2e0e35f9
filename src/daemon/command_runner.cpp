#include "daemon/command_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace orvane {
namespace {

constexpr std::chrono::milliseconds kStopPollInterval{10};

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// A clean environment: the service's own variables (its notify socket, watchdog, options) are
// not the command's business; a fixed PATH, the locale and time zone, then `variables`.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& variables) {
  std::vector<std::string> environment = {"PATH=/usr/local/bin:/usr/bin:/bin"};
  for (const char* name : {"LANG", "LC_ALL", "TZ"}) {
    if (const char* value = std::getenv(name))
      environment.push_back(name + ("=" + std::string(value)));
  }
  environment.insert(environment.end(), variables.begin(), variables.end());
  return environment;
}

// The null-terminated array exec wants; views into `strings`.
std::vector<char*> CArray(std::vector<std::string>& strings) {
  std::vector<char*> array;
  for (std::string& text : strings) array.push_back(text.data());
  array.push_back(nullptr);
  return array;
}

}  // namespace

std::vector<std::string> CommandWords(const std::string& command_line) {
  std::vector<std::string> words;
  std::istringstream in(command_line);
  for (std::string word; std::getline(in, word, ' ');) {
    if (!word.empty()) words.push_back(word);
  }
  return words;
}

CommandRunner::CommandRunner(std::vector<std::string> words, MonotonicClock& clock, JournalLog& log)
    : words_(std::move(words)), clock_(clock), log_(log) {}

CommandRunner::~CommandRunner() { Stop(); }

void CommandRunner::Run(const std::string& key, std::vector<std::string> variables) {
  Lane& lane = lanes_[key];
  lane.waiting.push_back(std::move(variables));
  if (lane.waiting.size() > kQueueLimit) {
    Log(LogPriority::kWarning, key,
        std::to_string(kQueueLimit) + " commands waiting; dropped the oldest, with " +
            Joined(lane.waiting.front()));
    lane.waiting.pop_front();
  }
  if (lane.pid == 0) StartNext(key, lane);
}

std::chrono::nanoseconds CommandRunner::Poll() {
  const std::chrono::nanoseconds now = clock_.Now();
  std::chrono::nanoseconds next = std::chrono::nanoseconds::max();
  for (auto& [key, lane] : lanes_) {
    if (lane.pid != 0 && Reaped(key, lane, WNOHANG)) StartNext(key, lane);
    if (lane.pid == 0) continue;
    if (!lane.terminated && now - lane.started >= kTimeLimit) {
      kill(-lane.pid, SIGTERM);
      lane.terminated = true;
      Log(LogPriority::kWarning, key, words_[0] + " still running after 30 s; terminated");
    } else if (!lane.killed && now - lane.started >= kTimeLimit + kTermGrace) {
      kill(-lane.pid, SIGKILL);
      lane.killed = true;
      Log(LogPriority::kWarning, key, words_[0] + " ignored SIGTERM; killed");
    }
    next = now + kReapInterval;
  }
  return next;
}

void CommandRunner::Stop() {
  for (auto& [key, lane] : lanes_) {
    if (lane.waiting.empty()) continue;
    Log(LogPriority::kWarning, key,
        std::to_string(lane.waiting.size()) + " waiting command(s) dropped at stop");
    lane.waiting.clear();
  }
  WaitForAll(kStopGrace);
  for (auto& [key, lane] : lanes_) {
    if (lane.pid == 0) continue;
    kill(-lane.pid, SIGTERM);
    lane.terminated = true;
    Log(LogPriority::kWarning, key, words_[0] + " still running at stop; terminated");
  }
  WaitForAll(kTermGrace);
  for (auto& [key, lane] : lanes_) {
    if (lane.pid == 0) continue;
    kill(-lane.pid, SIGKILL);
    lane.killed = true;
    Log(LogPriority::kWarning, key, words_[0] + " ignored SIGTERM; killed");
    Reaped(key, lane, 0);
  }
}

void CommandRunner::WaitForAll(std::chrono::nanoseconds grace) {
  const std::chrono::nanoseconds until = clock_.Now() + grace;
  for (;;) {
    bool running = false;
    for (auto& [key, lane] : lanes_) running |= lane.pid != 0 && !Reaped(key, lane, WNOHANG);
    if (!running || clock_.Now() >= until) return;
    clock_.SleepFor(kStopPollInterval);
  }
}

void CommandRunner::StartNext(const std::string& key, Lane& lane) {
  while (lane.pid == 0 && !lane.waiting.empty()) {
    lane.pid = Spawn(key, lane.waiting.front());
    lane.waiting.pop_front();
    lane.started = clock_.Now();
  }
}

pid_t CommandRunner::Spawn(const std::string& key, const std::vector<std::string>& variables) {
  std::vector<std::string> words = words_;
  std::vector<std::string> environment = EnvironmentWith(variables);
  const std::vector<char*> argv = CArray(words);
  const std::vector<char*> envp = CArray(environment);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // The daemon's devices and sockets stay its own.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // orvaned blocks its stop signals in every thread; a child must not inherit that.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error == 0) return pid;
  Log(LogPriority::kErr, key, "cannot run " + words_[0] + ": " + std::strerror(error));
  return 0;
}

bool CommandRunner::Reaped(const std::string& key, Lane& lane, int wait_flags) {
  int status = 0;
  pid_t done = 0;
  do {
    done = waitpid(lane.pid, &status, wait_flags);
  } while (done < 0 && errno == EINTR);
  if (done == 0) return false;
  // A command stopped by a signal of ours was logged when it was sent.
  if (done > 0 && !lane.terminated) {
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
      Log(LogPriority::kWarning, key,
          words_[0] + " exited with status " + std::to_string(WEXITSTATUS(status)));
    } else if (WIFSIGNALED(status)) {
      Log(LogPriority::kWarning, key,
          words_[0] + " ended by signal " + std::to_string(WTERMSIG(status)));
    }
  }
  lane.pid = 0;
  lane.terminated = false;
  lane.killed = false;
  return true;
}

void CommandRunner::Log(LogPriority priority, const std::string& key, const std::string& message) {
  log_.Write(priority, key + ": " + message);
}

}  // namespace orvane
