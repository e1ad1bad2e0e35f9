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

TEST_F(CorrectionWindowTest, TheCorrectionNeedsAnOpenDeviceButNotAFinishedReadback) {
  AddDevice();
  Start();
  window_->session().ReadStoredState();  // a readback that has not opened the guards yet
  std::size_t mark = Mark();
  Click("set_TCXO");
  EXPECT_EQ(CodesSince(mark).front(), 11);
  window_->session().DropLink();
  mark = Mark();
  Click("set_TCXO");
  EXPECT_EQ(Mark(), mark);
}

TEST_F(CorrectionWindowTest, FactoryDefaultsNamesAnUnsetClockThenRestoresItsSetUpAndEstimate) {
  AddDevice("000000");
  Start();
  window_->timer().stop();  // ticks are driven by the test only
  Click("Command1");
  TickUntilLoaded();
  ASSERT_EQ(window_->link().serial(), "G60031");
  EXPECT_EQ(Text("TCXO"), "-500");

  // The receiver's clock solution arrives every ten navigation solutions.
  const Telemetry& telemetry = window_->session().telemetry();
  for (int i = 0; i < 1000 && !telemetry.latest_clock_drift_ppb(); ++i) Tick();
  ASSERT_TRUE(telemetry.latest_clock_drift_ppb().has_value());
  Click("Command1");
  EXPECT_EQ(Control<QComboBox>("Fvco_list")->currentIndex(), 59);
  EXPECT_EQ(Text("TCXO"), std::to_string(*telemetry.latest_clock_drift_ppb()));
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace orvane
