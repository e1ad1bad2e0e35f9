#include "sim/clock_device.h"

#include <gtest/gtest.h>

#include <functional>

#include "protocol/pll_reference.h"
#include "sim/pll_model.h"
#include "support/fake_receiver.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

class ClockDeviceTest : public ::testing::Test {
 protected:
  ClockDeviceOptions Options() {
    ClockDeviceOptions options;
    options.make_receiver = receiver_.Factory();
    return options;
  }
  std::vector<std::uint8_t> Get() {
    std::vector<std::uint8_t> report(64, 0);
    EXPECT_TRUE(device_.GetFeature(report));
    return report;
  }
  DeviceConfiguration Readback() { return DecodeConfigurationReport(Get()).value(); }

  ManualClock clock_;
  FakeReceiverState receiver_;
  ClockDevice device_{Options(), clock_};
};

TEST_F(ClockDeviceTest, EachCommandShowsInTheConfigurationReport) {
  const struct {
    std::vector<std::uint8_t> command;
    std::function<void(DeviceConfiguration&)> effect;
  } cases[] = {
      {Command(1, {0}), [](auto& c) { c.output_flags = 0; }},
      {Command(3, {2}), [](auto& c) { c.drive_index = 2; }},
      {Command(4, {0x40, 0x42, 0x0F, 0, 0, 0, 0, 0xDF, 0x01, 0, 1, 9, 0, 0, 0x2D, 0, 0, 0, 3}),
       [](auto& c) { c.dividers = {1'000'000, 1, 4, 480, 5, 10, 46, 3}; }},
      {Command(11, {0xFF, 0xFF, 1}), [](auto& c) { c.tcxo_correction = -1; }},
      {Command(11, {0x4C, 0x1D, 1}), [](auto& c) { c.tcxo_correction = 7500; }},
      {Command(12, {0x7F}), [](auto& c) { c.ConstellationMask = 0x7F; }},
      {Command(2, {1}), [](auto&) {}},
      {Command(5, {0x19, 0xA0}), [](auto&) {}},
      {Command(8, {0x06, 0x01, 8, 0, 0x01, 0x30, 10}), [](auto&) {}},
  };
  DeviceConfiguration expected = FactoryConfiguration();
  EXPECT_EQ(Readback(), expected);
  for (const auto& c : cases) {
    ASSERT_TRUE(device_.SetFeature(c.command));
    c.effect(expected);
    EXPECT_EQ(Readback(), expected) << "after command " << int{c.command[1]};
  }
  EXPECT_EQ(device_.violations(), std::vector<std::string>{});
  EXPECT_EQ(device_.received().size(), std::size(cases));
  EXPECT_EQ(device_.received()[1], Command(3, {2}));
  EXPECT_TRUE(device_.led_blinking());
  EXPECT_EQ(device_.register_value(0x19), 0xA0);
  ASSERT_EQ(receiver_.received.size(), 1u);
  EXPECT_EQ(receiver_.received[0].msg_class, 0x06);
  EXPECT_EQ(receiver_.received[0].payload,
            (std::vector<std::uint8_t>{0x01, 0x30, 10, 0, 0, 0, 0, 0}));
}

TEST_F(ClockDeviceTest, ReferenceReplyAnswersOnlyTheNextFetch) {
  receiver_.drift_ppb = 200;
  ASSERT_TRUE(device_.SetFeature(Command(10, {3})));
  EXPECT_EQ(DecodePllReferenceReply(Get()),
            MakeReferenceCounts(FactoryConfiguration().dividers, 200));
  EXPECT_EQ(Readback(), FactoryConfiguration());
}

TEST_F(ClockDeviceTest, PllUnlockedForASecondAfterPowerUpAndProgramming) {
  EXPECT_FALSE(device_.pll_locked());
  clock_.Advance(ClockDevice::kPllSettleTime);
  EXPECT_TRUE(device_.pll_locked());
  // GPS 1 kHz: the phase detector is below its range, the PLL never locks.
  ASSERT_TRUE(device_.SetFeature(
      Command(4, {0xE8, 0x03, 0, 0, 0, 0, 0, 0xDF, 0x01, 0, 7, 0x2D, 0, 0, 0x2D, 0, 0, 0, 3})));
  clock_.Advance(milliseconds(5000));
  EXPECT_FALSE(device_.pll_locked());
  ASSERT_TRUE(device_.SetFeature(Command(
      4, {0x78, 0xDE, 0x2B, 0x02, 0, 0, 0x07, 0xDF, 0x01, 0, 0x07, 0x2D, 0, 0, 0x2D, 0, 0, 0, 3})));
  clock_.Advance(milliseconds(999));
  EXPECT_FALSE(device_.pll_locked());
  clock_.Advance(milliseconds(1));
  EXPECT_TRUE(device_.pll_locked());
}

TEST_F(ClockDeviceTest, InjectedFailuresHitOnceAndTheDeviceNeverSeesThem) {
  device_.FailNextSet();
  EXPECT_FALSE(device_.SetFeature(Command(1, {0})));
  EXPECT_TRUE(device_.received().empty());
  device_.FailNextGet();
  std::vector<std::uint8_t> report(64, 0);
  EXPECT_FALSE(device_.GetFeature(report));
  EXPECT_EQ(Readback().output_flags, 1);
}

TEST_F(ClockDeviceTest, SleepRefusesFeatureReportsUntilPowerCycled) {
  ASSERT_TRUE(device_.SetFeature(Command(6)));
  std::vector<std::uint8_t> report(64, 0);
  EXPECT_FALSE(device_.GetFeature(report));
  EXPECT_FALSE(device_.SetFeature(Command(1, {0})));
  device_.Replug();
  EXPECT_EQ(receiver_.power_ups, 2);
  EXPECT_EQ(Readback(), FactoryConfiguration());
}

TEST_F(ClockDeviceTest, MalformedReportsAreCountedButConformingOnesAreNot) {
  ASSERT_TRUE(device_.SetFeature(Command(9)));
  ASSERT_TRUE(device_.SetFeature(Command(3, {1}, 40)));
  std::vector<std::uint8_t> report(64, 0);
  report[0] = 2;
  EXPECT_FALSE(device_.GetFeature(report));
  EXPECT_EQ(device_.violations().size(), 3u);
  EXPECT_EQ(device_.violations()[0], "unknown command 9");
  EXPECT_EQ(Readback().drive_index, 1);  // taken all the same, as the firmware reads byte 2
}

TEST_F(ClockDeviceTest, ShortFeatureReportsCarryWhatFits) {
  device_.SetReportLengths(21, 64);
  std::vector<std::uint8_t> report(21, 0);
  ASSERT_TRUE(device_.GetFeature(report));
  EXPECT_EQ(report, (std::vector<std::uint8_t>{0, 1, 3, 0x78, 0xDE, 0x2B, 2,    0, 0, 7, 0xDF,
                                               1, 0, 7, 0x2D, 0,    0,    0x2D, 0, 0, 0}));
  EXPECT_TRUE(device_.violations().empty());
}

}  // namespace
}  // namespace orvane
