// The configuration readback, the output and identity commands and the constellation boxes,
// through the window on the simulated device.
#include <QApplication>

#include "support/window_fixture.h"

namespace orvane {
namespace {

using Reports = std::vector<std::vector<std::uint8_t>>;

const std::vector<std::uint8_t> kSatelliteInfoOn = Report({0, 8, 6, 1, 8, 0, 0x01, 0x30, 10});
const std::vector<std::uint8_t> kClockOn = Report({0, 8, 6, 1, 8, 0, 0x01, 0x22, 10});

// Output on, "24mA", the default divider set with BW 3, -100 ppb, GPS and Glonass.
DeviceConfiguration ExampleConfiguration() {
  DeviceConfiguration config = FactoryConfiguration();
  config.output_flags = 1;
  config.drive_index = 2;
  config.dividers.bw = 3;
  config.tcxo_correction = -100;
  config.ConstellationMask = 0x41;
  return config;
}

class ConfigWindowTest : public WindowTest {
 protected:
  // Starts on a fresh device of a serial number of its own: the scan selects the one added last.
  void StartOn(ClockDeviceOptions options) {
    window_.reset();
    options.serial = "V" + std::to_string(10000 + sim_.device_count());
    AddDevice(std::move(options));
    Start();
  }

  bool Checked(const char* name) { return Control<QCheckBox>(name)->isChecked(); }
};

TEST_F(ConfigWindowTest, StartUpShowsIdentityAndStoredSettingsThenSwitchesTheMessagesOn) {
  ClockDeviceOptions options;
  options.stored = ExampleConfiguration();
  AddDevice(options);
  Start();
  EXPECT_EQ(Text("lblManuf"), " Orvane");
  EXPECT_EQ(Text("lblProduct"), " GNSS Reference Clock");
  EXPECT_EQ(Text("lblVersion"), " 1.12");
  EXPECT_TRUE(Checked("OUT1EN"));
  EXPECT_EQ(Text("Enc1"), "24mA");
  EXPECT_EQ(Control<QComboBox>("Enc1")->count(), 4);
  const std::pair<const char*, const char*> fields[] = {
      {"GPS", "2875000"}, {"N31", "3"},     {"N2_HS", "11"}, {"N2_LS", "480"}, {"N1_HS", "11"},
      {"NC1_LS", "46"},   {"NC2_LS", "46"}, {"BW", "3"},     {"TCXO", "-100"}, {"TCXO_ppb", "0"}};
  for (const auto& [name, text] : fields) EXPECT_EQ(Text(name), text) << name;
  EXPECT_FALSE(Text("Out1Freq").empty());  // the displays follow the fields
  for (const char* box : {"GNSS_SBAS", "GNSS_Galileo", "GNSS_BeiDou", "GNSS_IMES", "GNSS_QZSS"}) {
    EXPECT_FALSE(Checked(box)) << box;
  }
  EXPECT_TRUE(Checked("GNSS_GPS"));
  EXPECT_TRUE(Checked("GNSS_Glonass"));
  for (const char* control : {"Frame1", "Frame3", "Frame4", "Enc1", "OUT1ID", "FindFreq"}) {
    EXPECT_TRUE(Control<QWidget>(control)->isEnabled()) << control;
  }
  // Filling the window sent nothing back: only the fetch and the two receiver messages.
  EXPECT_EQ(sim_.device(0).received(), (Reports{kSatelliteInfoOn, kClockOn}));
  const std::vector<std::string> exchanges = Exchanges();
  ASSERT_EQ(exchanges.size(), 3u);
  EXPECT_EQ(exchanges[0].substr(0, 4), "get ");
  EXPECT_EQ(exchanges[1].substr(0, 34), "set 00 08 06 01 08 00 01 30 0A 00 ");
  EXPECT_EQ(exchanges[2].substr(0, 34), "set 00 08 06 01 08 00 01 22 0A 00 ");
  EXPECT_TRUE(sim_.device(0).violations().empty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ConfigWindowTest, ReleaseNumberTextAndColourFollowTheMinorNumber) {
  const QColor face = QApplication::palette().color(QPalette::Button);
  const struct {
    std::uint16_t release;
    const char* text;
    QColor background;
  } cases[] = {{0x0104, " 1.4", QColor(255, 0, 0)},
               {0x0105, " 1.5", face},
               {0x010A, " 1.A", face},
               {0x8001, " 128.1", QColor(255, 0, 0)}};
  for (const auto& c : cases) {
    ClockDeviceOptions options;
    options.release = c.release;
    StartOn(options);
    EXPECT_EQ(Text("lblVersion"), c.text);
    EXPECT_EQ(Control<QLabel>("lblVersion")->palette().color(QPalette::Window), c.background)
        << c.text;
  }
}

TEST_F(ConfigWindowTest, DriveStrengthAboveThreeShowsTheStrongest) {
  ClockDeviceOptions options;
  options.stored.drive_index = 7;
  StartOn(options);
  EXPECT_EQ(Text("Enc1"), "32mA");
}

TEST_F(ConfigWindowTest, FailedFetchLeavesUsableEmptyControlsAndStillOpensTheGuards) {
  AddDevice().FailNextGet();
  Start();
  EXPECT_TRUE(window_->link().ConfigLoaded);
  EXPECT_EQ(Text("GPS"), "");
  EXPECT_EQ(Text("TCXO"), "-1");
  EXPECT_EQ(Text("Enc1"), "8mA");
  EXPECT_FALSE(Checked("OUT1EN"));
  EXPECT_TRUE(Control<QWidget>("Enc1")->isEnabled());
  EXPECT_EQ(sim_.device(0).received(), (Reports{kSatelliteInfoOn, kClockOn}));
}

TEST_F(ConfigWindowTest, WithoutDeviceTheWindowIsClearedAndBwKeepsItsText) {
  AddDevice();
  Start();
  SetText("BW", "7");
  window_->link().DropLink();
  window_->readback().ReadDeviceConfiguration();
  EXPECT_EQ(Text("TCXO"), "-1");
  EXPECT_EQ(Text("TCXO_ppb"), "0");
  EXPECT_EQ(Text("GPS"), "");
  EXPECT_EQ(Text("lblManuf"), "");
  EXPECT_EQ(Text("BW"), "7");
  EXPECT_EQ(Control<QComboBox>("Enc1")->count(), 0);
  EXPECT_FALSE(Control<QWidget>("Frame3")->isEnabled());
}

TEST_F(ConfigWindowTest, ShortReportsMakeTheDeviceUnusableTellingTheUserOnce) {
  ClockDeviceOptions options;
  options.feature_report_length = 39;
  AddDevice(options);
  Start();
  EXPECT_EQ(Text("lblManuf"), " Orvane");  // which device it is still shows
  EXPECT_FALSE(window_->link().ConfigLoaded);
  EXPECT_FALSE(Control<QWidget>("Frame3")->isEnabled());
  window_->readback().ReadDeviceConfiguration();
  window_->link().ConfigLoaded = true;  // even with the guards open nothing goes out
  window_->output().SetSN_Click();
  Control<QPushButton>("Sleep_cmd")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].first, "Device not usable");
  EXPECT_TRUE(sim_.device(0).received().empty());
  EXPECT_TRUE(TraceLines("get").empty());
  EXPECT_TRUE(window_->link().DeviceDetected);
}

TEST_F(ConfigWindowTest, ControlsSendExactlyTheirReports) {
  AddDevice();
  Start();
  auto* enc1 = Control<QComboBox>("Enc1");
  const std::size_t mark = Mark();
  Control<QCheckBox>("OUT1EN")->setChecked(false);
  Control<QCheckBox>("OUT1EN")->setChecked(true);
  for (int i = 0; i < 3; ++i) Control<QPushButton>("OUT1ID")->click();
  window_->events().SelectEntry(enc1, 2);
  Control<QCheckBox>("GNSS_Glonass")->setChecked(false);  // GPS alone is left
  Control<QCheckBox>("GNSS_GPS")->setChecked(false);
  for (const char* box : {"GNSS_GPS", "GNSS_SBAS", "GNSS_Galileo", "GNSS_BeiDou", "GNSS_IMES",
                          "GNSS_QZSS", "GNSS_Glonass"}) {
    Control<QCheckBox>(box)->setChecked(true);
  }
  EXPECT_EQ(ReceivedSince(mark),
            (Reports{Report({0, 1, 0}), Report({0, 1, 1}), Report({0, 2, 1}), Report({0, 2, 0}),
                     Report({0, 2, 1}), Report({0, 3, 2}), Report({0, 12, 0x01}),
                     Report({0, 12, 0x00}), Report({0, 12, 0x01}), Report({0, 12, 0x03}),
                     Report({0, 12, 0x07}), Report({0, 12, 0x0F}), Report({0, 12, 0x1F}),
                     Report({0, 12, 0x3F}), Report({0, 12, 0x7F})}));

  // Every readback restarts the blink toggle.
  window_->readback().ReadDeviceConfiguration();
  std::size_t later = Mark();
  Control<QPushButton>("OUT1ID")->click();
  Control<QPushButton>("Sleep_cmd")->click();
  EXPECT_EQ(ReceivedSince(later), (Reports{Report({0, 2, 1}), Report({0, 6})}));
  EXPECT_TRUE(sim_.device(0).asleep());

  // The drive strength also waits for the serial-number list.
  window_->link().DeviceListReady = false;
  later = Mark();
  window_->events().SelectEntry(enc1, 1);
  EXPECT_EQ(Mark(), later);
}

TEST_F(ConfigWindowTest, SerialNumberIsWrittenAdvancedAndTheDeviceFoundUnderIt) {
  ClockDeviceOptions options;
  options.serial = "000000";
  AddDevice(options);
  Start();
  const std::size_t mark = Mark();
  window_->output().SetSN_Click();
  EXPECT_EQ(ReceivedSince(mark),
            Reports{Report({0, 0x53, 0x4E, 0x47, 0x36, 0x30, 0x30, 0x33, 0x31})});
  EXPECT_EQ(Text("SN"), "G60032");
  EXPECT_FALSE(window_->link().DeviceDetected);
  EXPECT_FALSE(window_->link().ConfigLoaded);
  EXPECT_EQ(window_->timer().interval(), 250);
  for (int i = 0; i < 8 && !window_->link().ConfigLoaded; ++i) Tick();
  EXPECT_EQ(window_->link().serial, "G60031");
  EXPECT_EQ(Text("SerNo"), "G60031");
  EXPECT_EQ(Text("lblManuf"), " Orvane");
}

TEST_F(ConfigWindowTest, MalformedSerialNumbersAreRefusedWithAMessage) {
  AddDevice();
  Start();
  const struct {
    const char* sn;
    const char* title;
  } cases[] = {{"G6003", "Serial number not valid"},
               {"660031", "Serial number not valid"},
               {"G6003X", "Serial number not valid"},
               {"G600312", "Serial number not valid"}};
  for (const auto& c : cases) {
    messages_.clear();
    SetText("SN", c.sn);
    window_->output().SetSN_Click();
    ASSERT_EQ(messages_.size(), 1u) << c.sn;
    EXPECT_EQ(messages_[0].first, c.title);
    EXPECT_EQ(Text("SN"), c.sn);
  }
  EXPECT_EQ(sim_.device(0).received().size(), 2u);  // only the readback's messages
  EXPECT_TRUE(window_->link().DeviceDetected);
  SetText("SN", "A00999");
  window_->output().SetSN_Click();
  EXPECT_EQ(Text("SN"), "A01000");

  // The last number of a letter is written like any other; only its advance has nothing to show.
  for (int i = 0; i < 8 && !window_->link().ConfigLoaded; ++i) Tick();
  const std::size_t mark = Mark();
  messages_.clear();
  SetText("SN", "Z99999");
  window_->output().SetSN_Click();
  EXPECT_EQ(ReceivedSince(mark), Reports{Report({0, 0x53, 0x4E, 'Z', '9', '9', '9', '9', '9'})});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].first, "Serial numbers used up");
  EXPECT_EQ(Text("SN"), "Z99999");
  for (int i = 0; i < 8 && !window_->link().ConfigLoaded; ++i) Tick();
  EXPECT_EQ(window_->link().serial, "Z99999");
}

}  // namespace
}  // namespace orvane
