// The simulated clock through its backend's handles: what each command does, the input reports,
// sleep, unplug and malformed reports; its check of every report, and its PLL model.
#include <gtest/gtest.h>

#include <functional>

#include "device/device_ids.h"
#include "protocol/config_report.h"
#include "sim/clock_device.h"
#include "sim/command_check.h"
#include "sim/pll_model.h"
#include "support/fake_receiver.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

class SimulatedClockTest : public ::testing::Test {
 protected:
  Bytes Get() {
    Bytes report(64, 0);
    EXPECT_TRUE(handle_->GetFeature(report));
    return report;
  }
  DeviceConfiguration Readback() { return DecodeConfigurationReport(Get()).value(); }
  // Reads every report that is already waiting.
  std::vector<Bytes> Drain(HidDevice& handle) {
    std::vector<Bytes> reports;
    Bytes buffer(handle.InputReportLength());
    while (handle.ReadInput(buffer, 0ms) > 0) reports.push_back(buffer);
    return reports;
  }

  SimRig rig_;
  ClockDevice& device_ = rig_.AddClock();
  std::unique_ptr<HidDevice> handle_ = rig_.sim.Open("sim:0");
};

TEST_F(SimulatedClockTest, EachCommandShowsInTheConfigurationReport) {
  const struct {
    Bytes command;
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
    ASSERT_TRUE(handle_->SendFeature(c.command));
    c.effect(expected);
    EXPECT_EQ(Readback(), expected) << "after command " << int{c.command[1]};
  }
  EXPECT_EQ(device_.violations(), std::vector<std::string>{});
  EXPECT_EQ(device_.received().size(), std::size(cases));
  EXPECT_TRUE(device_.led_blinking());
  EXPECT_EQ(device_.register_value(0x19), 0xA0);
  ASSERT_EQ(rig_.receiver.received.size(), 1u);
  EXPECT_EQ(rig_.receiver.received[0], (Bytes{0x01, 0x30, 10, 0, 0, 0, 0, 0}));

  // The reference reply answers the next fetch only.
  rig_.receiver.drift_ppb = 200;
  ASSERT_TRUE(handle_->SendFeature(Command(10, {3})));
  EXPECT_EQ(DecodePllReferenceReply(Get()), MakeReferenceCounts(expected.dividers, 200));
  EXPECT_EQ(Readback(), expected);
}

TEST_F(SimulatedClockTest, SleepLastsUntilPowerCycledAndUnplugKillsOpenHandles) {
  Bytes buffer(64, 0);
  ASSERT_TRUE(handle_->SendFeature(Command(6)));
  rig_.clock.Advance(100ms);
  EXPECT_EQ(handle_->ReadInput(buffer, 100ms), 0);
  EXPECT_FALSE(handle_->GetFeature(buffer));
  device_.Unplug();
  EXPECT_TRUE(rig_.sim.Enumerate(kVendorId, kProductIds).empty());
  OpenError error = OpenError::kNone;
  EXPECT_EQ(rig_.sim.Open("sim:0", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
  EXPECT_FALSE(handle_->SendFeature(Command(1, {1})));
  EXPECT_EQ(handle_->ReadInput(buffer, 100ms), -1);
  EXPECT_EQ(handle_->SerialNumber(), std::nullopt);
  device_.Replug();
  EXPECT_EQ(handle_->ReadInput(buffer, 100ms), -1);  // still the old connection
  EXPECT_EQ(rig_.sim.Open("sim:0")->ReadInput(buffer, 100ms), 64);
  EXPECT_EQ(rig_.receiver.power_ups, 2);
}

TEST_F(SimulatedClockTest, MalformedReportsAreCountedAndShortOnesCarryWhatFits) {
  ASSERT_TRUE(handle_->SendFeature(Command(9)));
  ASSERT_TRUE(handle_->SendFeature(Command(3, {1}, 40)));
  Bytes report(64, 0);
  report[0] = 2;
  EXPECT_FALSE(handle_->GetFeature(report));
  EXPECT_EQ(device_.violations().size(), 3u);
  EXPECT_EQ(device_.violations()[0], "unknown command 9");
  const Bytes full = Get();
  EXPECT_EQ(DecodeConfigurationReport(full)->drive_index, 1);  // taken all the same
  device_.SetReportLengths(21, 64);
  report.assign(21, 0);
  ASSERT_TRUE(handle_->GetFeature(report));
  EXPECT_EQ(report, Bytes(full.begin(), full.begin() + 21));
  EXPECT_EQ(device_.violations().size(), 3u);
}

TEST_F(SimulatedClockTest, OneReportPerPeriodToEveryHandleFromItsOpenOnWithItsStatus) {
  rig_.receiver.has_signal = false;
  Bytes buffer(64);
  EXPECT_EQ(handle_->ReadInput(buffer, 3ms), 0);  // waits for the next report, not past the timeout
  EXPECT_EQ(rig_.clock.Now(), 3ms);
  EXPECT_EQ(handle_->ReadInput(buffer, 1000ms), 64);
  EXPECT_EQ(rig_.clock.Now(), ClockDevice::kReportPeriod);
  EXPECT_EQ(buffer[2], 0x03);  // no signal, the PLL not yet settled
  auto second = rig_.sim.Open("sim:0");
  rig_.clock.Advance(50ms);
  EXPECT_EQ(Drain(*handle_).size(), 5u);
  EXPECT_EQ(Drain(*second).size(), 5u);
  rig_.clock.Advance(ClockDevice::kReportPeriod * 5000);
  EXPECT_EQ(Drain(*handle_).size(), ClockDevice::kInputQueueCapacity);
  EXPECT_EQ(device_.input_overflow_count(), 2 * (5000 - ClockDevice::kInputQueueCapacity));

  // Only a signal lost after one was there counts; programming unsettles the PLL again.
  for (const bool signal : {true, false}) {
    rig_.receiver.has_signal = signal;
    ASSERT_EQ(handle_->ReadInput(buffer, 100ms), 64);
  }
  EXPECT_EQ(buffer[1], 1);
  EXPECT_EQ(buffer[2], 0x01);  // locked, no signal
  ASSERT_TRUE(handle_->SendFeature(FactoryPllCommand()));
  ASSERT_EQ(handle_->ReadInput(buffer, 100ms), 64);
  EXPECT_EQ(buffer[2], 0x03);
}

PllDividers Dividers(std::uint32_t gps, std::uint32_t n31, std::uint32_t n2_hs,
                     std::uint32_t n2_ls) {
  return {gps, n31, n2_hs, n2_ls, 11, 46, 46, 15};
}

TEST(PllModel, LocksOnlyInsideThePhaseDetectorAndVcoWindows) {
  EXPECT_TRUE(PllCanLock(Dividers(2'000'000, 1, 11, 191)));   // F3 at 2 MHz
  EXPECT_FALSE(PllCanLock(Dividers(2'000'001, 1, 11, 192)));  // F3 above 2 MHz
  EXPECT_FALSE(PllCanLock(Dividers(1'999, 1, 4, 600'000)));   // F3 below 2 kHz
  EXPECT_FALSE(PllCanLock(Dividers(2'875'000, 3, 11, 398)));  // VCO 4.196 GHz
  EXPECT_FALSE(PllCanLock(Dividers(2'875'000, 3, 11, 628)));  // VCO 6.62 GHz
}

TEST(PllModel, CountsShowTheDriftedOscillatorSaturateAt40BitsAndNeedAReference) {
  const PllReferenceCounts counts = MakeReferenceCounts(FactoryConfiguration().dividers, -300.0);
  // What the host shows: P * 2^28 / count.
  const double p = 11.0 * 2'875'000 * 480;
  EXPECT_NEAR(p * 268435456 / counts.count1, 26e6, 1e-3);
  EXPECT_NEAR(p * 268435456 / counts.count2, 26e6 * (1 - 300e-9), 1e-3);
  const std::uint64_t largest = (std::uint64_t{1} << 40) - 1;
  EXPECT_EQ(MakeReferenceCounts(Dividers(10'000'000, 1, 11, 1'048'576), -50.0),
            (PllReferenceCounts{largest, largest}));
  EXPECT_EQ(MakeReferenceCounts(Dividers(0, 3, 4, 480), 0), PllReferenceCounts{});
}

std::vector<std::uint8_t> With(std::vector<std::uint8_t> report, std::size_t at,
                               std::uint8_t value) {
  report[at] = value;
  return report;
}

// Reports as the program sends them are checked for conformity by the window fault tests,
// which run every operation and expect no violation.
TEST(CommandCheck, EachMalformedReportIsOneViolation) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> report;
  } cases[] = {
      {"unknown command", Command(7)},
      {"report shorter than the device's", Command(1, {1}, 63)},
      {"report ID", With(Command(1, {1}), 0, 1)},
      {"switch neither 0 nor 1", Command(1, {2})},
      {"drive index above 3", Command(3, {4})},
      {"byte past the payload", With(Command(3, {1}), 63, 1)},
      {"GPS 0", With(With(With(FactoryPllCommand(), 2, 0), 3, 0), 4, 0)},
      {"N31 above 2^19", With(FactoryPllCommand(), 7, 0x08)},
      {"odd N2_LS", With(FactoryPllCommand(), 9, 0xE0)},
      {"unused PLL byte", With(FactoryPllCommand(), 19, 1)},
      {"not a CFG-MSG", Command(8, {0x06, 0x02, 8, 0, 0x01, 0x30, 10})},
      {"reference sub-command", Command(10, {2})},
      {"correction above 7500", Command(11, {0x4D, 0x1D, 1})},
      {"mask bit 7", Command(12, {0x80})},
      {"serial without N", Command(0x53, {0x4F, 'G', '6', '0', '0', '3', '1'})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckCommandReport(c.report, 64).size(), 1u) << c.what;
  }
}

}  // namespace
}  // namespace orvane
