// Start-up, shutdown, the panel toggle, discovery and selection, through the window.
#include <QFrame>
#include <QGroupBox>
#include <csignal>

#include "support/window_fixture.h"
#include "window/control_inventory.h"
#include "window/termination_signals.h"

namespace orvane {
namespace {

using StartupTest = WindowTest;

TEST_F(StartupTest, ControlsComeFromTheInventoryWithNamesCaptionsAndPlaces) {
  AddDevice();
  Start();
  struct Expected {
    const char* name;
    const char* caption;
    int left, top, width, height;  // twips
  };
  const Expected expected[] = {
      {"Frame1", "Device Details", 120, 120, 4455, 1810},
      {"Frame5", "DPLL Setup", 9480, 120, 4335, 5055},
      {"FindFreq", "Configure output frequency", 240, 960, 3840, 375},
      {"set_TCXO_GPS", "Save current oscillator correction", 240, 1320, 3975, 375},
      {"Command2", "Save and recalibrate PLL", 120, 4440, 3000, 375},
      {"WriteRegister", "Register write", 1800, 12600, 1815, 315},
      {"Sleep_cmd", "Sleep MCU", 5040, 9000, 1815, 375},
  };
  for (const Expected& e : expected) {
    QWidget* control = window_->controls().Find(QString::fromLatin1(e.name));
    ASSERT_NE(control, nullptr) << e.name;
    const QString caption = qobject_cast<QGroupBox*>(control)
                                ? qobject_cast<QGroupBox*>(control)->title()
                                : qobject_cast<QAbstractButton*>(control)->text();
    EXPECT_EQ(caption.toStdString(), e.caption);
    EXPECT_EQ(control->geometry(), QRect(TwipsToPixels(e.left), TwipsToPixels(e.top),
                                         TwipsToPixels(e.width), TwipsToPixels(e.height)))
        << e.name;
  }
  EXPECT_EQ(Control<QWidget>("TCXO_ppb")->toolTip().toStdString(),
            "Estimated local TCXO frequency offset correction, ppb");
  EXPECT_EQ(Text("SN"), "G60031");
  for (const char* hidden :
       {"NC2_LS", "Label11", "freq_list", "set_TCXO", "SN", "SetSN", "Label12"}) {
    EXPECT_TRUE(Control<QWidget>(hidden)->isHidden()) << hidden;
  }
  EXPECT_FALSE(Control<QWidget>("TCXO")->isEnabled());
  EXPECT_EQ(Control<QWidget>("Progress")->parentWidget(), Control<QWidget>("Bar"));
}

TEST_F(StartupTest, OpensWideAndTheAdvancedButtonNarrowsAndWidens) {
  Start();
  auto* advanced = Control<QPushButton>("Advanced");
  EXPECT_EQ(window_->OuterWidthTwips(), 14000);
  EXPECT_EQ(advanced->text().toStdString(), "Advanced  <<<");
  window_->Advanced_Click();
  EXPECT_EQ(window_->OuterWidthTwips(), 4770);
  EXPECT_EQ(window_->width(), TwipsToPixels(4770));
  EXPECT_EQ(advanced->text().toStdString(), "Advanced  >>>");
  window_->Advanced_Click();
  EXPECT_EQ(window_->OuterWidthTwips(), 14000);
  EXPECT_EQ(advanced->text().toStdString(), "Advanced  <<<");
}

TEST_F(StartupTest, AllSignalBarsStartAsTwoPixelStubsAlongTheBottom) {
  Start();
  SatelliteBars& bars = window_->bars();
  const QRect area = Control<QFrame>("PicSat")->contentsRect();
  for (int i = 0; i < SatelliteBars::kCount; ++i) {
    const QRect bar = bars.bar(i)->geometry();
    EXPECT_EQ(bar, QRect(area.left() + 8 * i + 1, area.bottom() - 1, 7, 2)) << i;
    EXPECT_TRUE(bars.bar(i)->isVisible()) << i;
  }
}

TEST_F(StartupTest, OneDeviceIsListedSelectedAndOpenedWithTheListDisabled) {
  AddDevice();
  Start();
  auto* serials = Control<QComboBox>("SerNo");
  EXPECT_EQ(serials->count(), 1);
  EXPECT_EQ(Text("SerNo"), "G60031");
  EXPECT_FALSE(serials->isEnabled());
  EXPECT_TRUE(window_->link().DeviceDetected);
  EXPECT_TRUE(window_->link().ConfigLoaded);
  EXPECT_EQ(window_->link().FeatureReportByteLength, 64);
  EXPECT_EQ(window_->link().InputReportByteLength, 64);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(StartupTest, TwoDevicesListTheSecondSelectedAndPickingTheFirstSwitches) {
  AddDevice();
  ClockDeviceOptions second;
  second.serial = "G60032";
  AddDevice(second);
  Start();
  auto* serials = Control<QComboBox>("SerNo");
  ASSERT_EQ(serials->count(), 2);
  EXPECT_EQ(serials->itemText(0).toStdString(), "G60031");
  EXPECT_EQ(Text("SerNo"), "G60032");
  EXPECT_TRUE(serials->isEnabled());
  EXPECT_EQ(window_->link().serial, "G60032");

  const std::size_t first_before = Mark(0);
  window_->events().SelectEntry(serials, 0);
  EXPECT_EQ(window_->link().serial, "G60031");
  EXPECT_TRUE(window_->link().DeviceDetected);
  EXPECT_FALSE(window_->link().ReselectPending);
  EXPECT_TRUE(window_->timer().isActive());
  EXPECT_EQ(window_->timer().interval(), 250);  // until the next good read
  const std::vector<std::string> lines = TraceLines("close");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "close sim:1");
  EXPECT_EQ(TraceLines("open").back(), "open sim:0");
  // The newly chosen device is read back and has its receiver messages switched on.
  EXPECT_FALSE(ReceivedSince(first_before, 0).empty());
}

TEST_F(StartupTest, UnsetSerialNumberTurnsTheListRedUntilTheNextScan) {
  ClockDeviceOptions unset;
  unset.serial = "000000";
  AddDevice(unset);
  Start();
  EXPECT_EQ(Control<QComboBox>("SerNo")->palette().color(QPalette::Base), QColor(255, 0, 0));
}

TEST_F(StartupTest, WithoutDeviceControlsAreEmptyAndDisabledAndNothingIsSaid) {
  Start();
  EXPECT_EQ(Control<QComboBox>("SerNo")->count(), 0);
  EXPECT_FALSE(Control<QWidget>("SerNo")->isEnabled());
  EXPECT_FALSE(Control<QWidget>("Frame1")->isEnabled());
  EXPECT_FALSE(Control<QWidget>("Frame3")->isEnabled());
  EXPECT_FALSE(window_->link().DeviceDetected);
  EXPECT_FALSE(window_->link().ConfigLoaded);
  EXPECT_TRUE(window_->timer().isActive());
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(TraceLines("set").empty());
}

TEST_F(StartupTest, ADevicePluggedInLaterIsFoundByThePoll) {
  ClockDevice& device = AddDevice();
  device.Unplug();
  Start();
  EXPECT_FALSE(window_->link().DeviceDetected);
  device.Replug();
  Tick();
  EXPECT_TRUE(window_->link().DeviceDetected);
  EXPECT_TRUE(window_->link().ConfigLoaded);
  EXPECT_EQ(Text("SerNo"), "G60031");
}

// Closing the window, kill, Ctrl+C and a closed terminal all end the same way.
TEST_F(StartupTest, ClosingOrASignalSendsBothRateZeroMessagesInOrderAndClosesBothHandles) {
  const int endings[] = {0, SIGTERM, SIGINT, SIGHUP};
  for (int run = 0; run < 4; ++run) {
    const int signal = endings[run];
    ClockDeviceOptions options;  // each run its own clock, listed last and so opened
    options.serial = "G6004" + std::to_string(run);
    ClockDevice& device = AddDevice(options);
    Start();
    CloseOnTerminationSignals(*window_);
    const std::size_t mark = device.received().size();
    const std::size_t closes = TraceLines("close").size();
    if (signal == 0) {
      window_->close();
    } else {
      std::raise(signal);
      for (int i = 0; i < 100 && window_->timer().isActive(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      }
    }
    EXPECT_EQ(
        std::vector(device.received().begin() + static_cast<std::ptrdiff_t>(mark),
                    device.received().end()),
        (std::vector<std::vector<std::uint8_t>>{Report({0, 8, 0x06, 0x01, 8, 0, 0x01, 0x30, 0}),
                                                Report({0, 8, 0x06, 0x01, 8, 0, 0x01, 0x22, 0})}))
        << signal;
    EXPECT_FALSE(window_->timer().isActive());
    EXPECT_EQ(window_->link().DeviceHandle, nullptr);
    EXPECT_EQ(window_->link().ReadHandle, nullptr);
    EXPECT_EQ(TraceLines("close").size(), closes + 2);
    EXPECT_TRUE(device.violations().empty());
  }
}

TEST_F(StartupTest, NoControlSendsAReportWhileTheGuardsAreFalse) {
  ClockDevice& device = AddDevice();
  Start();
  window_->link().ConfigLoaded = false;
  const std::size_t mark = Mark();
  for (const char* button : {"SetFreq", "WriteRegister", "Command2", "OUT1ID", "Sleep_cmd"}) {
    Control<QPushButton>(button)->click();
  }
  for (const char* box : {"OUT1EN", "GNSS_GPS", "GNSS_Galileo"}) {
    Control<QCheckBox>(box)->toggle();
  }
  EXPECT_TRUE(ReceivedSince(mark).empty());
  window_->link().DeviceDetected = false;
  window_->close();
  EXPECT_TRUE(ReceivedSince(mark).empty());
  EXPECT_TRUE(device.violations().empty());
}

}  // namespace
}  // namespace orvane
