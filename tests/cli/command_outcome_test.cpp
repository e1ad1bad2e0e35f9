// What commands with more than one step leave behind and report.

#include "cli_fixture.h"

namespace orvane {
namespace {

// The bytes each sends are in the command-bytes table; here what the report says.
TEST_F(CliTest, SetFrequencyReportsTheChosenEntryOrTheFirstExactSetting) {
  backend_.AddDevice();
  // 47783653 Hz: entry 0's first N2_HS has no N2_LS; the command once refused it (exit 2).
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--json", "set-frequency", "10000000", "--vco", "59"},
       R"("vco_index":59,"vco_hz":6100000000)"},
      {{"--json", "set-frequency", "47783653"}, R"("output_hz":47783653,)"}};
  for (const auto& [args, shown] : cases) {
    ASSERT_EQ(Run(args), 0) << err_.str();
    EXPECT_NE(out_.str().find(shown), std::string::npos) << out_.str();
  }
}

TEST_F(CliTest, CorrectionSaveStoresTheReceiversEstimateOnceItHasASignal) {
  ClockDevice& clock = backend_.AddDevice();
  // The receiver has no signal for its first seconds.
  EXPECT_EQ(Run({"correction", "save", "--wait", "1"}), 1);
  EXPECT_TRUE(Commands().empty());
  ASSERT_EQ(Run({"correction", "save", "--wait", "10"}), 0) << err_.str();
  const Reports sent = Commands();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][1], 11);
  EXPECT_NE(clock.configuration().tcxo_correction, -500);
  EXPECT_EQ(out_.str(), "Stored correction " +
                            std::to_string(clock.configuration().tcxo_correction) + " ppb\n");
}

TEST_F(CliTest, SerialWaitsForTheClockUnderItsNewNumber) {
  ClockDevice& clock = backend_.AddDevice();
  ASSERT_EQ(Run({"serial", "A12345"}), 0) << err_.str();
  EXPECT_EQ(clock.serial(), "A12345");
  EXPECT_EQ(out_.str(), "Serial number G60031 is now A12345\n");
  ASSERT_EQ(Run({"--serial", "A12345", "show"}), 0) << err_.str();
}

TEST_F(CliTest, ListShowsEveryClockAndShowPicksTheLast) {
  ClockDeviceOptions second;
  second.serial = "G60032";
  backend_.AddDevice();
  backend_.AddDevice(second);
  ASSERT_EQ(Run({"list"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "SERIAL  PATH   PRODUCT                 VERSION  STATE\n"
            "G60031  sim:0  GNSS Reference Clock    1.12     usable\n"
            "G60032  sim:1  GNSS Reference Clock    1.12     usable\n");
  ASSERT_EQ(Run({"show"}), 0) << err_.str();
  EXPECT_EQ(out_.str().substr(0, 22), "Serial          G60032");
}

}  // namespace
}  // namespace orvane
