// The configuration readback, the output and identity commands, the constellation boxes and the
// stored oscillator correction, through the window on the simulated device.
#include "support/window_fixture.h"

namespace orvane {
namespace {

class ConfigWindowTest : public WindowTest {
 protected:
  void Open(ClockDeviceOptions options = {}) {
    AddDevice(std::move(options));
    Start();
  }
  // Command code and first value byte of each report sent since `mark`, as "code:value ...".
  std::string SentSince(std::size_t mark) {
    std::string sent;
    for (const auto& report : ReceivedSince(mark))
      sent += std::to_string(report[1]) + ":" + std::to_string(report[2]) + " ";
    return sent;
  }
};

TEST_F(ConfigWindowTest, StartUpShowsIdentityAndStoredSettings) {
  // Output on, 24mA, the factory's dividers with BW 3, correction -100, GPS and Glonass.
  Open({.stored = {1, 2, {2875000, 3, 11, 480, 11, 46, 46, 3}, -100, 0x41},
        .make_receiver = nullptr});
  EXPECT_EQ(Texts({"lblManuf", "lblProduct", "lblVersion", "Enc1", "TCXO", "TCXO_ppb"}),
            " Orvane| GNSS Reference Clock| 1.12|24mA|-100|0");
  EXPECT_EQ(Texts({"GPS", "N31", "N2_HS", "N2_LS", "N1_HS", "NC1_LS", "NC2_LS", "BW"}),
            "2875000|3|11|480|11|46|46|3");
  EXPECT_EQ(Boxes(), "xx-----x");
}

TEST_F(ConfigWindowTest, ReleaseTextAndColourFollowTheMinorNumberAndDriveStopsAtTheStrongest) {
  const QColor face = QApplication::palette().color(QPalette::Button), red(255, 0, 0);
  for (const auto& [release, drive, release_text, background, drive_text] :
       {std::tuple{0x0104, 0, " 1.4", red, "8mA"},
        {0x0105, 3, " 1.5", face, "32mA"},
        {0x8001, 1, " 128.1", red, "16mA"}}) {
    // A serial number of its own: the scan selects the one added last.
    ClockDeviceOptions options{.serial = "V" + std::to_string(10000 + sim_.device_count()),
                               .release = std::uint16_t(release),
                               .make_receiver = {}};
    options.stored.drive_index = drive;
    Open(options);
    EXPECT_EQ(Text("lblVersion"), release_text);
    EXPECT_EQ(Control("lblVersion")->palette().color(QPalette::Window), background) << release;
    EXPECT_EQ(Text("Enc1"), drive_text) << drive;
  }
}

TEST_F(ConfigWindowTest, WithoutDeviceTheWindowIsClearedAndBwKeepsItsText) {
  Open();
  SetText("BW", "7");
  window_->session().DropLink();
  window_->readback().ReadDeviceConfiguration();
  EXPECT_EQ(Texts({"TCXO", "TCXO_ppb", "GPS", "lblManuf", "BW"}), "-1|0|||7");
}

TEST_F(ConfigWindowTest, ShortReportsMakeTheDeviceUnusableTellingTheUserOnce) {
  Open({.feature_report_length = 39, .make_receiver = {}});
  EXPECT_FALSE(Control("Frame3")->isEnabled());
  window_->readback().ReadDeviceConfiguration();
  window_->output().SetSN_Click();
  Click("Sleep_cmd");
  EXPECT_EQ(Title(), "Device not usable");
  EXPECT_TRUE(window_->link().DeviceDetected());
}

// Check boxes act on a change of value, whoever makes it; lists on a program-made selection too.
TEST_F(ConfigWindowTest, ControlsRunTheirOperationsWithTheValuesTheyShow) {
  Open();
  const std::size_t mark = Mark();
  Control<QCheckBox>("OUT1EN")->setChecked(false);
  Control<QCheckBox>("OUT1EN")->setChecked(true);
  window_->events().SelectEntry(Control<QComboBox>("Enc1"), 2);
  Control<QCheckBox>("GNSS_Glonass")->setChecked(false);  // GPS alone is left
  Control<QCheckBox>("GNSS_GPS")->setChecked(false);
  for (const char* box : std::span(kBoxes).subspan(1)) Control<QCheckBox>(box)->setChecked(true);
  Click("OUT1ID");
  Click("Sleep_cmd");
  EXPECT_EQ(SentSince(mark),
            "1:0 1:1 3:2 12:1 12:0 12:1 12:3 12:7 12:15 12:31 12:63 12:127 2:1 6:0 ");
}

TEST_F(ConfigWindowTest,
       SerialNumberIsCheckedWrittenAdvancedAndTheClockFoundUnderItWarningAfterTheLast) {
  Open({.serial = "000000", .make_receiver = {}});
  const std::size_t mark = Mark();
  window_->output().SetSN_Click();
  EXPECT_EQ(CodesSince(mark), std::vector<int>{0x53});
  EXPECT_EQ(Text("SN"), "G60032");
  TickUntilLoaded();
  EXPECT_EQ(Text("SerNo"), "G60031");

  const char* const kNotValid = "Serial number not valid";
  // What the SN field shows afterwards: the next serial number, or what was typed.
  for (const auto& [sn, title, shown, sent] :
       {std::tuple{"G6003", kNotValid, "G6003", 0u},
        {"660031", kNotValid, "660031", 0u},
        {"G6003X", kNotValid, "G6003X", 0u},
        {"G600312", kNotValid, "G600312", 0u},
        {"A00999", "", "A01000", 1u},
        {"Z99999", "Serial numbers used up", "Z99999", 1u}}) {
    messages_.clear();
    SetText("SN", sn);
    const std::size_t before = Mark();
    window_->output().SetSN_Click();
    EXPECT_EQ(Title(), title) << sn;
    EXPECT_EQ(Text("SN"), shown) << sn;
    EXPECT_EQ(Mark() - before, sent) << sn;
    TickUntilLoaded();
  }
  EXPECT_EQ(window_->link().serial(), "Z99999");
}

TEST_F(ConfigWindowTest, TheEstimateOrElseTheShownCorrectionIsStoredWithinLimitsAndReadBack) {
  Open();
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
}

}  // namespace
}  // namespace orvane
