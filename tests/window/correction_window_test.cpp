// The stored oscillator correction and "Factory defaults", through the window on the simulated
// device.
#include "support/window_fixture.h"

namespace orvane {
namespace {

using CorrectionWindowTest = WindowTest;

TEST_F(CorrectionWindowTest, TheEstimateOrElseTheShownCorrectionIsStoredWithinLimitsAndReadBack) {
  AddDevice();
  Start();
  const struct {
    const char* estimate;
    const char* shown;  // in TCXO once stored and read back
  } cases[] = {{"-1", "-1"},       {"12000", "7500"},    {"-9000", "-7500"},
               {"7500.6", "7500"}, {"-7500.5", "-7500"}, {"2.5", "2"}};
  for (const auto& c : cases) {
    Control<QLabel>("TCXO_ppb")->setText(QString::fromLatin1(c.estimate));
    window_->correction().set_TCXO_GPS_Click();
    EXPECT_EQ(Text("TCXO"), c.shown) << c.estimate;
  }
  Control<QLabel>("TCXO_ppb")->clear();
  SetText("TCXO", "-300");
  window_->correction().set_TCXO_GPS_Click();
  EXPECT_EQ(Text("TCXO"), "-300");
  EXPECT_TRUE(messages_.empty());
}

// The rest of the defaults on a named clock, estimate included, is pinned by the session trace.
TEST_F(CorrectionWindowTest, FactoryDefaultsOnAnUnsetClockOnlyNamesItAndItIsFoundUnderTheName) {
  AddDevice("000000");
  Start();
  window_->timer().stop();  // ticks are driven by the test only
  const std::size_t mark = Mark();
  Click("Command1");
  EXPECT_EQ(CodesSince(mark), std::vector<int>{0x53});
  TickUntilLoaded();
  EXPECT_EQ(window_->link().serial(), "G60031");
  EXPECT_EQ(Text("TCXO"), "-500");
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace orvane
