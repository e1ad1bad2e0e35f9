#include "sim/simulated_backend.h"

#include <gtest/gtest.h>

#include "device/device_ids.h"
#include "support/fake_receiver.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

class SimulatedBackendTest : public ::testing::Test {
 protected:
  ClockDevice& Add(std::string serial) {
    ClockDeviceOptions options;
    options.serial = std::move(serial);
    options.make_receiver = receiver_.Factory();
    return backend_.AddDevice(std::move(options));
  }
  std::vector<HidDeviceInfo> Listed() { return backend_.Enumerate(kVendorId, kProductIds); }
  // Reads every report that is already waiting.
  std::vector<std::vector<std::uint8_t>> Drain(HidDevice& handle) {
    std::vector<std::vector<std::uint8_t>> reports;
    std::vector<std::uint8_t> buffer(handle.InputReportLength());
    while (handle.ReadInput(buffer, milliseconds(0)) > 0) reports.push_back(buffer);
    return reports;
  }

  ManualClock clock_;
  FakeReceiverState receiver_;
  SimulatedBackend backend_{clock_};
};

TEST_F(SimulatedBackendTest, ListsEveryPresentDeviceWithItsIdentity) {
  Add("G60031");
  Add("G60032").Unplug();
  Add("G60033");
  // Identity strings are checked through the session's readback.
  const auto listed = Listed();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[1].path, "sim:2");
  EXPECT_EQ(listed[1].serial, L"G60033");
  EXPECT_EQ(listed[0].product_id, kProductIds[0]);
  EXPECT_TRUE(backend_.Enumerate(kVendorId + 1, kProductIds).empty());
  EXPECT_EQ(backend_.Open("sim:2")->SerialNumber(), L"G60033");
  OpenError error = OpenError::kNone;
  EXPECT_EQ(backend_.Open("sim:1", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
  EXPECT_EQ(backend_.Open("sim:x", &error), nullptr);
}

TEST_F(SimulatedBackendTest, UnplugKillsOpenHandlesAndReplugStartsAfresh) {
  ClockDevice& device = Add("G60031");
  auto handle = backend_.Open("sim:0");
  device.Unplug();
  std::vector<std::uint8_t> buffer(64, 0);
  EXPECT_FALSE(handle->SendFeature(Command(1, {1})));
  EXPECT_FALSE(handle->GetFeature(buffer));
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(100)), -1);
  EXPECT_EQ(handle->Manufacturer(), std::nullopt);
  EXPECT_TRUE(Listed().empty());

  device.Replug();
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(100)), -1);  // still the old connection
  auto fresh = backend_.Open("sim:0");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->ReadInput(buffer, milliseconds(100)), 64);
  EXPECT_EQ(receiver_.power_ups, 2);
}

TEST_F(SimulatedBackendTest, OneReportPerPeriodToEveryHandleFromItsOpenOn) {
  Add("G60031");
  auto first = backend_.Open("sim:0");
  clock_.Advance(milliseconds(50));
  auto second = backend_.Open("sim:0");
  clock_.Advance(milliseconds(50));
  const auto reports = Drain(*first);
  EXPECT_EQ(reports.size(), 10u);
  EXPECT_EQ(Drain(*second).size(), 5u);
  // The PLL settles a second after power-up.
  std::vector<std::uint8_t> expected(64, 0);
  expected[2] = 0x02;
  EXPECT_EQ(reports[0], expected);
}

TEST_F(SimulatedBackendTest, ReadWaitsForTheNextReportButNotPastTheTimeout) {
  ClockDevice& device = Add("G60031");
  auto handle = backend_.Open("sim:0");
  std::vector<std::uint8_t> buffer(64);
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(3)), 0);
  EXPECT_EQ(clock_.Now(), milliseconds(3));
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(1000)), 64);
  EXPECT_EQ(clock_.Now(), ClockDevice::kReportPeriod);

  device.FailNextRead();
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(1000)), -1);
  device.StallInput(true);
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(100)), 0);
  device.StallInput(false);
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(100)), 64);
  ASSERT_TRUE(handle->SendFeature(Command(6)));
  clock_.Advance(milliseconds(100));
  EXPECT_EQ(handle->ReadInput(buffer, milliseconds(100)), 0);
}

TEST_F(SimulatedBackendTest, StreamArrivesInOrderWithoutLossInWholeSlices) {
  ClockDevice& device = Add("G60031");
  device.SetReportLengths(64, 32);
  receiver_.bytes_per_ms = 20;  // 200 bytes a period: several reports each time
  auto handle = backend_.Open("sim:0");
  EXPECT_EQ(handle->InputReportLength(), 32);
  EXPECT_EQ(handle->FeatureReportLength(), 64);
  clock_.Advance(milliseconds(200));
  device.StallInput(true);  // held bytes must come out later, not vanish
  clock_.Advance(milliseconds(100));
  device.StallInput(false);
  clock_.Advance(milliseconds(100));

  std::vector<std::uint8_t> stream;
  const auto reports = Drain(*handle);
  for (const auto& report : reports) {
    if (report[2] & 0x80) stream.insert(stream.end(), report.begin() + 3, report.end());
  }
  EXPECT_GT(reports.size(), 30u);
  ASSERT_GE(stream.size(), 400u * 20 - 29);
  for (std::size_t i = 0; i < stream.size(); ++i) {
    ASSERT_EQ(stream[i], FakeReceiverState::SequenceByte(i)) << "stream byte " << i;
  }
}

TEST_F(SimulatedBackendTest, FlagsFollowSignalAndLossesAreCounted) {
  receiver_.has_signal = false;
  Add("G60031");
  auto handle = backend_.Open("sim:0");
  std::vector<std::uint8_t> buffer(64);
  clock_.Advance(ClockDevice::kPllSettleTime);
  Drain(*handle);
  for (const bool signal : {true, false}) {
    receiver_.has_signal = signal;
    ASSERT_EQ(handle->ReadInput(buffer, milliseconds(100)), 64);
  }
  EXPECT_EQ(buffer[1], 1);     // no signal at power-up is not a loss
  EXPECT_EQ(buffer[2], 0x01);  // locked, no signal, no stream bytes
}

TEST_F(SimulatedBackendTest, AFullHandleQueueDropsAndCounts) {
  ClockDevice& device = Add("G60031");
  auto handle = backend_.Open("sim:0");
  clock_.Advance(ClockDevice::kReportPeriod * 5000);
  EXPECT_EQ(Drain(*handle).size(), ClockDevice::kInputQueueCapacity);
  EXPECT_EQ(device.input_overflow_count(), 5000 - ClockDevice::kInputQueueCapacity);
}

}  // namespace
}  // namespace orvane
