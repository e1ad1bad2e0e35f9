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

using std::chrono::seconds;

class CommandRunnerTest : public testing::Test {
 protected:
  // The commands run for real: polls until none runs, for at most 5 s of real time.
  void RunUntilIdle(CommandRunner& runner) {
    for (int i = 0; i < 500 && runner.Poll() != std::chrono::nanoseconds::max(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Logged(const std::string& text) { return log_text_.str().find(text) != std::string::npos; }

  ManualClock clock_;
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  std::string dir_ = mkdtemp((testing::TempDir() + "alarm-command-XXXXXX").data());
};

TEST_F(CommandRunnerTest, CommandGetsItsVariablesEmptyStdinAndCleanSignals) {
  // As orvaned runs: stop signals blocked, and here SIGHUP ignored and a stale variable set.
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTERM);
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &blocked, &before);
  const sighandler_t hangup = signal(SIGHUP, SIG_IGN);
  setenv("ORVANE_EVENT", "stale", 1);
  const std::string out = dir_ + "/env";
  CommandRunner shell({"/bin/sh", "-c",
                       "echo \"$ORVANE_EVENT|$ORVANE_SERIAL|$ORVANE_DETAIL|$1|$PATH\" > " + out +
                           "; wc -c >> " + out,
                       "sh", "one word"},
                      clock_, log_);
  shell.Run("G60031",
            {"ORVANE_EVENT=lock_lost", "ORVANE_SERIAL=G60031", "ORVANE_DETAIL=PLL not locked"});
  // Its own status: a shell's changes its mask while it waits.
  CommandRunner copy({"cp", "/proc/self/status", dir_ + "/status"}, clock_, log_);
  copy.Run("G60031", {});
  RunUntilIdle(shell);
  RunUntilIdle(copy);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  signal(SIGHUP, hangup);
  unsetenv("ORVANE_EVENT");
  EXPECT_EQ(Read(out),
            "lock_lost|G60031|PLL not locked|one word|" + std::string(getenv("PATH")) + "\n0\n");
  const std::string status = Read(dir_ + "/status");
  const auto mask = [&](const std::string& name) {
    return std::stoull(status.substr(status.find(name + ":\t") + name.size() + 2), nullptr, 16);
  };
  EXPECT_EQ(mask("SigBlk"), 0u);
  // Signals 1 to 31: the C library keeps its internal real-time ones ignored.
  EXPECT_EQ(mask("SigIgn") & 0x7fff'ffff, 0u);
  EXPECT_EQ(log_text_.str(), "");
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
  EXPECT_EQ(Read(dir_ + "/runs.a"), expected);
  EXPECT_EQ(Read(dir_ + "/runs.b"), "start x\nend x\n");
  EXPECT_EQ(log_text_.str(),
            "a: 8 commands waiting; dropped the oldest, with ORVANE_SERIAL=a ORVANE_EVENT=2\n");
}

TEST_F(CommandRunnerTest, HangingCommandKilledAfterTheLimitAndAtStop) {
  CommandRunner runner({"sleep", "1000"}, clock_, log_);
  runner.Run("G60031", {});
  EXPECT_EQ(runner.Poll(), clock_.Now() + CommandRunner::kReapInterval);
  clock_.Advance(CommandRunner::kTimeLimit - std::chrono::milliseconds(1));
  runner.Poll();
  EXPECT_FALSE(Logged("killed"));
  clock_.Advance(std::chrono::milliseconds(1));
  runner.Poll();
  EXPECT_TRUE(Logged("G60031: sleep still running after 30 s; killed\n")) << log_text_.str();
  RunUntilIdle(runner);
  EXPECT_EQ(runner.Poll(), std::chrono::nanoseconds::max());

  runner.Run("G60031", {});
  runner.Run("G60031", {});
  runner.Stop();
  EXPECT_TRUE(
      Logged("G60031: 1 waiting command(s) dropped at stop\n"
             "G60031: sleep still running at stop; killed\n"))
      << log_text_.str();
  EXPECT_EQ(runner.Poll(), std::chrono::nanoseconds::max());
}

TEST_F(CommandRunnerTest, ProgramThatCannotStartIsLoggedAndFailuresAreLogged) {
  CommandRunner missing({"/nonexistent/alarm"}, clock_, log_);
  missing.Run("G60031", {});
  CommandRunner failing({"false"}, clock_, log_);
  failing.Run("G60032", {});
  RunUntilIdle(failing);
  EXPECT_EQ(log_text_.str(),
            "G60031: cannot run /nonexistent/alarm: No such file or directory\n"
            "G60032: false exited with status 1\n");
}

}  // namespace
}  // namespace orvane
