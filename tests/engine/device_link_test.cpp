#include "engine/device_link.h"

#include <gtest/gtest.h>

#include "device/monotonic_clock.h"
#include "protocol/ubx_ids.h"
#include "sim/simulated_backend.h"

namespace orvane {
namespace {

class DeviceLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_.AddDevice();
    link_.DeviceHandle = backend_.Open("sim:0");
    link_.ReadHandle = backend_.Open("sim:0");
    link_.FeatureReportByteLength = 64;
    link_.DeviceDetected = true;
    link_.ConfigLoaded = true;
    link_.DeviceListReady = true;
    link_.set_poll_interval = [this](std::chrono::milliseconds interval) { interval_ = interval; };
  }
  const std::vector<std::vector<std::uint8_t>>& received() { return backend_.device(0).received(); }

  ManualClock clock_;
  SimulatedBackend backend_{clock_};
  TraceLog trace_{nullptr, clock_};
  DeviceLink link_{backend_, trace_};
  std::chrono::milliseconds interval_{50};
};

TEST_F(DeviceLinkTest, EachGuardAloneStopsItsSenders) {
  struct Case {
    bool list_ready, detected, config_loaded;
    bool drive_sent, output_sent, serial_sent;
  };
  const Case cases[] = {
      {true, true, true, true, true, true},
      {false, true, true, false, true, true},
      {true, false, true, false, false, false},
      {true, true, false, false, false, true},
  };
  // Not marked 'N': the device keeps its serial and stays on the bus.
  const Command serial = {.code = command::kSerialNumber, .bytes = {1}, .length = 1};
  for (const Case& c : cases) {
    link_.DeviceListReady = c.list_ready;
    link_.DeviceDetected = c.detected;
    link_.ConfigLoaded = c.config_loaded;
    EXPECT_EQ(link_.SendCommand(kNeedsListReady | kNeedsDetected | kNeedsConfigLoaded,
                                DriveStrengthCommand(1)),
              c.drive_sent);
    EXPECT_EQ(link_.SendCommand(kNeedsDetected | kNeedsConfigLoaded, OutputEnableCommand(true)),
              c.output_sent);
    EXPECT_EQ(link_.SendCommand(kNeedsDetected, serial), c.serial_sent);
  }
}

TEST_F(DeviceLinkTest, AReportTooShortForTheProgramsReportsIsNeverUsed) {
  for (int length : {0, 21, 39}) {
    link_.FeatureReportByteLength = length;
    EXPECT_FALSE(link_.SendCommand(kNeedsDetected, OutputEnableCommand(true))) << length;
    std::vector<std::uint8_t> report(64, 0);
    EXPECT_FALSE(link_.Fetch(report)) << length;
  }
  EXPECT_TRUE(received().empty());
}

TEST_F(DeviceLinkTest, DroppingTheLinkClosesBothHandlesAndSlowsThePoll) {
  link_.DropLink();
  EXPECT_FALSE(link_.DeviceDetected);
  EXPECT_FALSE(link_.ConfigLoaded);
  EXPECT_EQ(link_.DeviceHandle, nullptr);
  EXPECT_EQ(link_.ReadHandle, nullptr);
  EXPECT_EQ(interval_, std::chrono::milliseconds(250));
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavClock, 0});
  EXPECT_TRUE(received().empty());
}

}  // namespace
}  // namespace orvane
