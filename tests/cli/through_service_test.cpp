// orvanectl through a running orvaned against orvanectl on a clock of its own: every subcommand
// prints the same and sends the clock the same reports, and the service keeps its receiver
// messages whatever a client does.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "cli/cli_fixture.h"
#include "support/received_reports.h"
#include "support/running_service.h"
#include "support/service_cli.h"

namespace orvane {
namespace {

using testing_support::ChangesSince;
using testing_support::RunningService;
using testing_support::StatusMessagesSwitchedOff;

// The text with every number masked.
std::string Shape(const std::string& text) {
  return std::regex_replace(text, std::regex("[-+]?[0-9][0-9.e+-]*"), "#");
}

class ThroughServiceTest : public CliTest {
 protected:
  void SetUp() override { ASSERT_TRUE(service_.WaitServing("G60031")); }

  struct Outcome {
    int code = 0;
    std::string out;
    std::string err;
  };

  // orvanectl finding the service by itself on the test's socket (or told it with `named`), on
  // real time as it runs.
  Outcome RunThroughService(std::vector<std::string> args, bool named = false) {
    if (named) args.insert(args.begin(), {"--service", service_.socket()});
    std::ostringstream out, err;
    SteadyClock clock;
    const CliEnvironment environment = testing_support::ServiceOnlyEnvironment(
        service_.socket(), clock, out, err, [this] { return stop_; });
    const int code = RunOrvanectl(args, environment);
    return {code, out.str(), err.str()};
  }

  RunningService service_;
};

TEST_F(ThroughServiceTest, EverySubcommandPrintsAndSendsAsDirectly) {
  ClockDeviceOptions clock;
  clock.serial = "G60031";
  backend_.AddDevice(clock);
  const std::string record = testing::TempDir() + "through-service.ubx";
  clock_.Advance(std::chrono::seconds(5));  // past the receiver's acquisition
  // The receiver's status messages come every 2.5 s: the waits allow for two.
  // Live values (times, offsets, counts of frames) differ between two runs: such output is
  // compared by its shape, or only by its lines where a poll may or may not have brought them.
  enum class Compare { kExact, kShape, kLines };
  struct Row {
    std::vector<std::string> args;
    Compare compare = Compare::kExact;
    bool named = false;  // --service: a clock the service does not serve is not looked for here
  };
  const Row rows[] = {
      {{"list"}},
      {{"--json", "list"}},
      {{"show", "--wait", "6"}, Compare::kShape},
      {{"--json", "show", "--wait", "6"}, Compare::kShape},
      {{"output", "off"}},
      {{"--json", "output", "on"}},
      {{"drive", "16"}},
      {{"blink"}},
      {{"constellations", "gps,galileo"}},
      {{"register", "10", "5"}},
      {{"program", "--gps", "2875000", "--n31", "3", "--n2hs", "11", "--n2ls", "480", "--n1hs",
        "11", "--nc1ls", "40", "--nc2ls", "46"}},
      {{"set-frequency", "12345678"}, Compare::kShape},
      {{"--json", "set-frequency", "10000000"}, Compare::kShape},
      {{"set-frequency", "10000000", "--vco", "99999"}},
      {{"correction", "save", "120"}},
      {{"--json", "correction", "save", "--wait", "8"}, Compare::kShape},
      {{"monitor", "--count", "2", "--interval", "0.05"}, Compare::kLines},
      {{"--json", "record", record, "--duration", "0.5"}, Compare::kShape},
      {{"record", record, "--duration", "0.5", "--raw"}, Compare::kShape},
      {{"--serial", "G69999", "show"}, Compare::kExact, true},
      {{"factory-defaults"}, Compare::kShape},
      {{"serial", "G60039"}},
      {{"--serial", "G60039", "sleep"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.args));
    const std::size_t served_before = service_.device().received().size();
    const Outcome through = RunThroughService(row.args, row.named);
    const Reports served = ChangesSince(service_.device(), served_before);
    const std::size_t direct_before = backend_.device(0).received().size();
    const int code = Run(row.args);
    const Reports direct = ChangesSince(backend_.device(0), direct_before);
    const std::string direct_out = out_.str();
    EXPECT_EQ(through.code, code) << through.err;
    EXPECT_EQ(through.err, err_.str());
    switch (row.compare) {
      case Compare::kExact:
        EXPECT_EQ(through.out, direct_out);
        EXPECT_EQ(served, direct);
        break;
      case Compare::kShape:
        EXPECT_EQ(Shape(through.out), Shape(direct_out));
        break;
      case Compare::kLines:
        EXPECT_EQ(std::count(through.out.begin(), through.out.end(), '\n'),
                  std::count(direct_out.begin(), direct_out.end(), '\n'));
        EXPECT_EQ(through.out.substr(0, through.out.find('\n')),
                  direct_out.substr(0, direct_out.find('\n')));
        break;
    }
    if (row.compare != Compare::kExact) {
      // The same commands, their values taken at different moments.
      ASSERT_EQ(served.size(), direct.size());
      for (std::size_t i = 0; i < served.size(); ++i) EXPECT_EQ(served[i][1], direct[i][1]);
    }
  }
  std::filesystem::remove(record);
}

TEST_F(ThroughServiceTest, MonitorStoppedByCtrlCLeavesTheServicesMessagesGoing) {
  const std::size_t before = service_.device().received().size();
  int ticks = 0;
  stop_ = [&ticks] { return ++ticks > 5; };
  EXPECT_EQ(RunThroughService({"monitor", "--interval", "0.05"}).code, 0);
  const Reports& received = service_.device().received();
  EXPECT_FALSE(StatusMessagesSwitchedOff(Reports(received.begin() + before, received.end())));
}

TEST_F(ThroughServiceTest, AMissingServiceFails) {
  const Outcome missing = RunThroughService({"--service", "/nonexistent/control", "show"});
  EXPECT_EQ(missing.code, 4);
  EXPECT_EQ(missing.err,
            "orvanectl: cannot reach the service at /nonexistent/control: No such file or "
            "directory\n");
}

}  // namespace
}  // namespace orvane
