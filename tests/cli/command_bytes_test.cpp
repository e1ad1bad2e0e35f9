// The reports each subcommand sends, against the window's for the same operation; the bytes of
// commands that take no values (blink, sleep) are the session's test (tests/engine).
#include "cli_fixture.h"

namespace orvane {
namespace {

const std::vector<std::uint8_t> kTenMegahertz =
    Report({0, 4, 0x38, 0x9C, 0x1C, 0, 0, 0, 6, 0xDF, 0, 0, 6, 0x29, 0, 0, 0x2D, 0, 0, 0, 15});

TEST_F(CliTest, EachCommandSendsTheWindowsReportsFactoryDefaultsItsSequence) {
  // VCO entry 59 of the 10 MHz search, as searched and as saved with NC2_LS = NC1_LS.
  const auto entry59 = [](std::uint8_t nc2_ls, std::uint8_t bw = 15) {
    return Report(
        {0, 4, 0x4A, 0x16, 0x1D, 0, 0, 0, 6, 0x3F, 1, 0, 1, 0x79, 0, 0, nc2_ls, 0, 0, 0, bw});
  };
  // Drive strength, then the search's entry 0, entry 59 and entry 59 saved, twice each.
  const Reports factory_defaults = {Report({0, 3, 3}), kTenMegahertz, kTenMegahertz, entry59(0x2D),
                                    entry59(0x2D),     entry59(0x79), entry59(0x79)};
  const std::pair<std::vector<std::string>, Reports> cases[] = {
      {{"set-frequency", "10000000"}, {kTenMegahertz, kTenMegahertz}},
      {{"set-frequency", "10000000", "--vco", "59", "--bw", "7"},
       {entry59(0x2D, 7), entry59(0x2D, 7)}},
      {{"output", "off"}, {Report({0, 1, 0})}},
      {{"drive", "24"}, {Report({0, 3, 2})}},
      {{"constellations", "GPS,glonass"}, {Report({0, 12, 0x41})}},
      {{"register", "7", "200"}, {Report({0, 5, 7, 200})}},
      {{"correction", "save", "-1"}, {Report({0, 11, 0xFF, 0xFF, 1})}},
      {{"program", "--gps", "1875000", "--n31", "1", "--n2hs", "10", "--n2ls", "224", "--n1hs",
        "10", "--nc1ls", "42", "--nc2ls", "46"},
       {kTenMegahertz, kTenMegahertz}},
      {{"factory-defaults"}, factory_defaults},
  };
  for (const auto& [args, expected] : cases) {
    SCOPED_TRACE(args.front());
    // A clock of its own for each, listed last: the one the program picks.
    const std::size_t device = backend_.device_count();
    backend_.AddDevice({.serial = "H" + std::to_string(70000 + device), .make_receiver = {}});
    EXPECT_EQ(Run(args), 0) << err_.str();
    EXPECT_EQ(Commands(device), expected);
    EXPECT_TRUE(backend_.device(device).violations().empty());
  }
}

TEST_F(CliTest, MonitorStopsOnRequestAndSwitchesTheStatusMessagesOff) {
  backend_.AddDevice();
  stop_ = [checks = 0]() mutable { return ++checks > 30; };
  ASSERT_EQ(Run({"monitor", "--interval", "0.5"}), 0) << err_.str();
  const Reports& received = backend_.device(0).received();
  ASSERT_GE(received.size(), 2u);
  // CFG-MSG NAV-SVINFO and NAV-CLOCK at rate 0, the window's shutdown.
  EXPECT_EQ(
      Reports(received.end() - 2, received.end()),
      (Reports{Report({0, 8, 6, 1, 8, 0, 1, 0x30, 0}), Report({0, 8, 6, 1, 8, 0, 1, 0x22, 0})}));
}

}  // namespace
}  // namespace orvane
