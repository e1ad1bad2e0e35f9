// The reports each subcommand sends, against the window's for the same operation.
#include "cli_fixture.h"
#include "protocol/commands.h"

namespace orvane {
namespace {

const std::vector<std::uint8_t> kTenMegahertz =
    Report({0, 4, 0x38, 0x9C, 0x1C, 0, 0, 0, 6, 0xDF, 0, 0, 6, 0x29, 0, 0, 0x2D, 0, 0, 0, 15});

struct BytesCase {
  std::vector<std::string> args;
  Reports expected;
};

TEST_F(CliTest, EachCommandSendsTheWindowsReports) {
  const BytesCase cases[] = {
      {{"set-frequency", "10000000"}, {kTenMegahertz, kTenMegahertz}},
      {{"output", "off"}, {Report({0, 1, 0})}},
      {{"output", "on"}, {Report({0, 1, 1})}},
      {{"drive", "24"}, {Report({0, 3, 2})}},
      {{"blink"}, {Report({0, 2, 1})}},
      {{"constellations", "GPS,glonass"}, {Report({0, 12, 0x41})}},
      {{"constellations", "none"}, {Report({0, 12, 0})}},
      {{"sleep"}, {Report({0, 6})}},
      {{"register", "7", "200"}, {Report({0, 5, 7, 200})}},
      {{"correction", "save", "-1"}, {Report({0, 11, 0xFF, 0xFF, 1})}},
      {{"program", "--gps", "1875000", "--n31", "1", "--n2hs", "10", "--n2ls", "224", "--n1hs",
        "10", "--nc1ls", "42", "--nc2ls", "46"},
       {kTenMegahertz, kTenMegahertz}},
      {{"serial", "G60031"}, {Report({0, 0x53, 0x4E, 'G', '6', '0', '0', '3', '1'})}},
  };
  for (const BytesCase& test : cases) {
    SCOPED_TRACE(test.args.front());
    ClockDeviceOptions options;
    options.serial = "H" + std::to_string(70000 + backend_.device_count());
    backend_.AddDevice(options);
    const std::size_t device = backend_.device_count() - 1;
    std::vector<std::string> args = {"--serial", backend_.device(device).serial()};
    args.insert(args.end(), test.args.begin(), test.args.end());
    EXPECT_EQ(Run(args), 0) << err_.str();
    EXPECT_EQ(Commands(device), test.expected);
    EXPECT_TRUE(backend_.device(device).violations().empty());
  }
}

TEST_F(CliTest, FactoryDefaultsSendsTheWindowsSequence) {
  backend_.AddDevice();
  ASSERT_EQ(Run({"factory-defaults"}), 0) << err_.str();
  const Reports sent = Commands();
  // Drive strength, then the search's entry 0, entry 59 and save-and-recalibrate, twice each.
  ASSERT_EQ(sent.size(), 7u);
  EXPECT_EQ(sent[0], Report({0, 3, 3}));
  EXPECT_EQ(sent[1], kTenMegahertz);
  EXPECT_EQ(sent[2], kTenMegahertz);
  EXPECT_EQ(sent[3], sent[4]);
  EXPECT_EQ(sent[5], sent[6]);
  const PllDividers saved = DecodePllConfiguration(sent[5]);
  EXPECT_EQ(saved.nc2_ls, saved.nc1_ls);
}

TEST_F(CliTest, MonitorStopsOnRequestAndSwitchesTheStatusMessagesOff) {
  backend_.AddDevice();
  int checks = 0;
  stop_ = [&checks] { return ++checks > 30; };
  ASSERT_EQ(Run({"monitor", "--interval", "0.5"}), 0) << err_.str();
  const Reports& received = backend_.device(0).received();
  ASSERT_GE(received.size(), 2u);
  // CFG-MSG NAV-SVINFO and NAV-CLOCK at rate 0, the window's shutdown.
  EXPECT_EQ(received[received.size() - 2], Report({0, 8, 6, 1, 8, 0, 1, 0x30, 0}));
  EXPECT_EQ(received.back(), Report({0, 8, 6, 1, 8, 0, 1, 0x22, 0}));
  // A header and a line every half second of the 1.5 s or more watched.
  std::istringstream lines(out_.str());
  int count = 0;
  for (std::string line; std::getline(lines, line);) ++count;
  EXPECT_GE(count, 1 + 3);
}

}  // namespace
}  // namespace orvane
