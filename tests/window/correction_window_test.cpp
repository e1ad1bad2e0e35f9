// The stored oscillator correction and "Factory defaults", through the window on the simulated
// device.
#include <algorithm>

#include "protocol/commands.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using Reports = std::vector<std::vector<std::uint8_t>>;

std::vector<std::uint8_t> Codes(const Reports& reports) {
  std::vector<std::uint8_t> codes;
  for (const auto& report : reports) codes.push_back(report[1]);
  return codes;
}

// The VCO frequency a PLL configuration report programs.
double VcoOf(const std::vector<std::uint8_t>& report) {
  const PllDividers d = DecodePllConfiguration(report);
  return static_cast<double>(d.gps) / d.n31 * d.n2_hs * d.n2_ls;
}

using CorrectionWindowTest = WindowTest;

TEST_F(CorrectionWindowTest, EstimateIsStoredWithinTheLimitsAndReadBack) {
  AddDevice();
  Start();
  const struct {
    const char* estimate;
    const char* shown;  // in TCXO once stored and read back
    std::uint8_t low, high;
  } cases[] = {{"-1", "-1", 0xFF, 0xFF},         {"12000", "7500", 0x4C, 0x1D},
               {"-9000", "-7500", 0xB4, 0xE2},   {"7500.6", "7500", 0x4C, 0x1D},
               {"-7500.5", "-7500", 0xB4, 0xE2}, {"2.5", "2", 0x02, 0x00}};
  for (const auto& c : cases) {
    Control<QLabel>("TCXO_ppb")->setText(QString::fromLatin1(c.estimate));
    const std::size_t mark = Mark();
    window_->correction().set_TCXO_GPS_Click();
    const Reports sent = ReceivedSince(mark);
    ASSERT_FALSE(sent.empty()) << c.estimate;
    EXPECT_EQ(sent.front(), Report({0, 11, c.low, c.high, 1})) << c.estimate;
    EXPECT_EQ(Text("TCXO"), c.shown) << c.estimate;
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(CorrectionWindowTest, WithoutEstimateTheShownCorrectionIsStored) {
  AddDevice();
  Start();
  Control<QLabel>("TCXO_ppb")->clear();
  const std::size_t mark = Mark();
  window_->correction().set_TCXO_GPS_Click();  // the factory's -500 again
  EXPECT_EQ(ReceivedSince(mark).front(), Report({0, 11, 0x0C, 0xFE, 1}));
  // The correction needs an open device but not a finished readback.
  window_->link().ConfigLoaded = false;
  const std::size_t second = Mark();
  window_->correction().set_TCXO_Click();
  EXPECT_EQ(ReceivedSince(second).front(), Report({0, 11, 0x0C, 0xFE, 1}));
  window_->link().DropLink();
  const std::size_t closed = Mark();
  window_->correction().set_TCXO_Click();
  EXPECT_EQ(Mark(), closed);
}

TEST_F(CorrectionWindowTest, FactoryDefaultsFirstNamesAnUnsetDeviceThenRestoresItsSetUp) {
  ClockDeviceOptions options;
  options.serial = "000000";
  AddDevice(options);
  Start();
  window_->timer().stop();  // ticks are driven by the test only
  std::size_t mark = Mark();
  window_->correction().Command1_Click();
  EXPECT_EQ(ReceivedSince(mark),
            Reports{Report({0, 0x53, 0x4E, 0x47, 0x36, 0x30, 0x30, 0x33, 0x31})});
  for (int i = 0; i < 8 && !window_->link().ConfigLoaded; ++i) Tick();
  ASSERT_EQ(window_->link().serial, "G60031");
  EXPECT_EQ(Text("TCXO"), "-500");

  // The receiver's clock solution arrives every ten navigation solutions.
  for (int i = 0; i < 1000 && !window_->link().latest_clock_drift_ppb; ++i) Tick();
  ASSERT_TRUE(window_->link().latest_clock_drift_ppb.has_value());
  const auto estimate = static_cast<std::uint16_t>(*window_->link().latest_clock_drift_ppb);
  const std::size_t gets_before = TraceLines("get").size();
  const std::size_t exchanges_before = Exchanges().size();
  mark = Mark();
  window_->correction().Command1_Click();
  const Reports sent = ReceivedSince(mark);
  // Drive strength; output enable unchanged; the search, entry 59 and save-and-recalibrate each
  // program the PLL twice; the readback; the correction and its readback.
  ASSERT_EQ(Codes(sent), (std::vector<std::uint8_t>{3, 4, 4, 4, 4, 4, 4, 8, 8, 11, 8, 8}));
  EXPECT_EQ(sent[0], Report({0, 3, 3}));
  EXPECT_EQ(Control<QComboBox>("Fvco_list")->currentIndex(), 59);
  EXPECT_DOUBLE_EQ(VcoOf(sent[3]), 6100000000.0);
  EXPECT_EQ(sent[3], sent[4]);
  EXPECT_EQ(sent[5], sent[6]);
  const PllDividers saved = DecodePllConfiguration(sent[5]);
  EXPECT_EQ(saved.nc2_ls, saved.nc1_ls);
  EXPECT_EQ(sent[9], Report({0, 11, static_cast<std::uint8_t>(estimate & 0xFF),
                             static_cast<std::uint8_t>(estimate >> 8), 1}));
  EXPECT_EQ(Text("TCXO"), std::to_string(*window_->link().latest_clock_drift_ppb));
  // Each readback fetches before switching the receiver's messages on.
  const std::vector<std::string> exchanges = Exchanges();
  const std::vector<std::string> tail(exchanges.begin() + exchanges_before, exchanges.end());
  ASSERT_EQ(tail.size(), 14u);
  EXPECT_EQ(tail[7].substr(0, 3), "get");
  EXPECT_EQ(tail[11].substr(0, 3), "get");
  EXPECT_EQ(TraceLines("get").size(), gets_before + 2);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(sim_.device(0).violations().empty());
}

TEST_F(CorrectionWindowTest, FactoryDefaultsStoresNoCorrectionBeforeAnEstimateArrives) {
  AddDevice();
  Start();
  window_->timer().stop();
  const std::size_t mark = Mark();
  window_->correction().Command1_Click();
  const std::vector<std::uint8_t> codes = Codes(ReceivedSince(mark));
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 11), 0);
  EXPECT_EQ(Text("TCXO"), "-500");
}

}  // namespace
}  // namespace orvane
