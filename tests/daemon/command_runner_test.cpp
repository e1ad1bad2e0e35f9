#include "daemon/command_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace orvane {
namespace {

class CommandRunnerTest : public testing::Test {
 protected:
  // The commands run for real: polls until none runs, for at most 5 s.
  void RunUntilIdle(CommandRunner& runner) {
    for (int i = 0; i < 500 && runner.Poll() != std::chrono::nanoseconds::max(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  ManualClock clock_;
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  std::string dir_ = mkdtemp((testing::TempDir() + "alarm-command-XXXXXX").data());
};

TEST_F(CommandRunnerTest, CommandGetsItsVariablesEmptyStdinAndCleanSignals) {
  // As in orvaned a stop signal is blocked; here SIGHUP is ignored and a variable stale too.
  sigset_t term, before;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &term, &before);
  const sighandler_t hangup = signal(SIGHUP, SIG_IGN);
  setenv("ORVANE_EVENT", "stale", 1);
  setenv("NOTIFY_SOCKET", "/run/systemd/notify", 1);
  // grep reads its own status: a shell's mask changes while it waits for a child.
  CommandRunner runner(
      {"/bin/sh", "-c",
       "{ echo \"$ORVANE_EVENT|$ORVANE_DETAIL|$1|$PATH|${NOTIFY_SOCKET-}\"; wc -c; } > \"$2\"; "
       "exec grep Sig /proc/self/status >> \"$2\"",
       "sh", "one word", dir_ + "/env"},
      clock_, log_);
  runner.Run("G60031", {"ORVANE_EVENT=lock_lost", "ORVANE_DETAIL=PLL not locked"});
  RunUntilIdle(runner);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  signal(SIGHUP, hangup);
  unsetenv("ORVANE_EVENT");
  unsetenv("NOTIFY_SOCKET");
  const std::string text = Read("env");
  // The service's own variables stay with the service.
  const std::string start = "lock_lost|PLL not locked|one word|/usr/local/bin:/usr/bin:/bin|\n0\n";
  EXPECT_EQ(text.substr(0, start.size()), start);
  const auto mask = [&](const std::string& line) {
    return std::stoull(text.substr(text.find(line) + line.size()), nullptr, 16);
  };
  EXPECT_EQ(mask("SigBlk:\t"), 0u);
  // Signals 1 to 31: the C library keeps its internal real-time ones ignored.
  EXPECT_EQ(mask("SigIgn:\t") & 0x7fff'ffff, 0u);
}

TEST_F(CommandRunnerTest, OneAtATimePerKeyDroppingTheOldestWaitingBeyondTheLimit) {
  CommandRunner runner({"/bin/sh", "-c",
                        "echo \"start $ORVANE_EVENT\" >> \"$1.$ORVANE_SERIAL\"; sleep 0.02; "
                        "echo \"end $ORVANE_EVENT\" >> \"$1.$ORVANE_SERIAL\"",
                        "sh", dir_ + "/runs"},
                       clock_, log_);
  runner.Run("b", {"ORVANE_SERIAL=b", "ORVANE_EVENT=x"});
  std::string expected;
  for (int i = 1; i <= int{CommandRunner::kQueueLimit} + 2; ++i) {
    runner.Run("a", {"ORVANE_SERIAL=a", "ORVANE_EVENT=" + std::to_string(i)});
    // The first runs at once, the second is the oldest waiting when the queue overflows.
    if (i != 2) expected += "start " + std::to_string(i) + "\nend " + std::to_string(i) + "\n";
  }
  RunUntilIdle(runner);
  EXPECT_EQ(Read("runs.a"), expected);
  EXPECT_EQ(Read("runs.b"), "start x\nend x\n");
  EXPECT_EQ(log_text_.str(),
            "a: 8 commands waiting; dropped the oldest, with ORVANE_SERIAL=a ORVANE_EVENT=2\n");
}

TEST_F(CommandRunnerTest, HangingCommandTerminatedThenKilledAfterTheLimitAndAtStop) {
  // A command that ignores SIGTERM (and so do its children), once it has said so.
  const std::string ready = dir_ + "/ready";
  CommandRunner runner({"/bin/sh", "-c", "trap '' TERM; echo >> \"$0\"; exec sleep 1000", ready},
                       clock_, log_);
  const auto run_until_ready = [&](std::size_t count) {
    runner.Run("G60031", {});
    for (int i = 0; i < 500 && Read("ready").size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  run_until_ready(1);
  clock_.Advance(CommandRunner::kTimeLimit - std::chrono::milliseconds(1));
  EXPECT_EQ(runner.Poll(), clock_.Now() + CommandRunner::kReapInterval);
  EXPECT_EQ(log_text_.str(), "");
  clock_.Advance(std::chrono::milliseconds(1));
  runner.Poll();
  clock_.Advance(CommandRunner::kTermGrace);
  RunUntilIdle(runner);
  run_until_ready(2);
  runner.Run("G60031", {});
  runner.Stop();
  EXPECT_EQ(runner.Poll(), std::chrono::nanoseconds::max());
  EXPECT_EQ(log_text_.str(),
            "G60031: /bin/sh still running after 30 s; terminated\n"
            "G60031: /bin/sh ignored SIGTERM; killed\n"
            "G60031: 1 waiting command(s) dropped at stop\n"
            "G60031: /bin/sh still running at stop; terminated\n"
            "G60031: /bin/sh ignored SIGTERM; killed\n");
}

}  // namespace
}  // namespace orvane
