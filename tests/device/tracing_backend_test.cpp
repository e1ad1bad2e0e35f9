#include "device/hid/tracing_backend.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <sstream>

namespace orvane {
namespace {

using std::chrono::milliseconds;

// A device that answers from scripted results.
class FakeDevice : public HidDevice {
 public:
  bool SendFeature(std::span<const std::uint8_t>) override { return send_ok; }
  bool GetFeature(std::span<std::uint8_t> report) override {
    if (!get_ok) return false;
    std::copy_n(reply.begin(), std::min(reply.size(), report.size()), report.begin());
    return true;
  }
  int ReadInput(std::span<std::uint8_t> buffer, milliseconds, ReceiveTime*) override {
    if (inputs.empty()) return 0;
    const std::vector<std::uint8_t> input = inputs.front();
    inputs.pop_front();
    std::copy(input.begin(), input.end(), buffer.begin());
    return static_cast<int>(input.size());
  }
  int FeatureReportLength() const override { return 4; }
  int InputReportLength() const override { return 3; }
  std::optional<std::wstring> Manufacturer() override { return L"maker"; }
  std::optional<std::wstring> Product() override { return std::nullopt; }
  std::optional<std::wstring> SerialNumber() override { return L"G60031"; }

  bool send_ok = true;
  bool get_ok = true;
  std::vector<std::uint8_t> reply;
  std::deque<std::vector<std::uint8_t>> inputs;
};

class FakeBackend : public HidBackend {
 public:
  std::vector<HidDeviceInfo> Enumerate(std::uint16_t, std::span<const std::uint16_t>) override {
    return devices;
  }
  std::unique_ptr<HidDevice> Open(const std::string&, OpenError* error) override {
    if (next_device == nullptr) {
      if (error != nullptr) *error = OpenError::kPermissionDenied;
      return nullptr;
    }
    if (error != nullptr) *error = OpenError::kNone;
    return std::move(next_device);
  }

  std::vector<HidDeviceInfo> devices;
  std::unique_ptr<FakeDevice> next_device;
};

class TracingBackendTest : public testing::Test {
 protected:
  FakeDevice* PrepareDevice() {
    auto device = std::make_unique<FakeDevice>();
    FakeDevice* raw = device.get();
    inner_.next_device = std::move(device);
    return raw;
  }

  ManualClock clock_;
  std::ostringstream out_;
  TraceLog trace_{&out_, clock_};
  FakeBackend inner_;
  TracingBackend backend_{inner_, trace_};
  const std::array<std::uint16_t, 1> product_ids_ = {0x4F43};
};

TEST_F(TracingBackendTest, TracesEveryExchangeUnderTheEnumeratedSerial) {
  // U+0147 stands for 'G': the serial's text is made of low bytes.
  HidDeviceInfo info;
  info.path = "/dev/hidraw3";
  info.serial = L"\u014760031";
  inner_.devices = {info};
  ASSERT_EQ(backend_.Enumerate(0x1209, product_ids_).size(), 1u);
  FakeDevice* fake = PrepareDevice();
  fake->reply = {0, 0x11, 0x22, 0x33};
  fake->inputs = {{0, 0xA0, 0x0B}};

  clock_.Advance(milliseconds(1500));
  OpenError error = OpenError::kOther;
  std::unique_ptr<HidDevice> device = backend_.Open("/dev/hidraw3", &error);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(error, OpenError::kNone);

  const std::array<std::uint8_t, 4> command = {0, 8, 6, 1};
  EXPECT_TRUE(device->SendFeature(command));
  clock_.Advance(milliseconds(25));
  std::array<std::uint8_t, 4> report = {};
  EXPECT_TRUE(device->GetFeature(report));
  EXPECT_EQ(report, (std::array<std::uint8_t, 4>{0, 0x11, 0x22, 0x33}));
  std::array<std::uint8_t, 3> input = {};
  EXPECT_EQ(device->ReadInput(input, milliseconds(0)), 3);
  EXPECT_EQ(device->ReadInput(input, milliseconds(0)), 0);  // nothing read, nothing traced
  device.reset();

  EXPECT_EQ(out_.str(),
            "1.500 G60031 open /dev/hidraw3\n"
            "1.500 G60031 set 00 08 06 01\n"
            "1.525 G60031 get 00 11 22 33\n"
            "1.525 G60031 input 00 A0 0B\n"
            "1.525 G60031 close /dev/hidraw3\n");
}

TEST_F(TracingBackendTest, FailedExchangesAreMarkedAndUnknownSerialIsDash) {
  FakeDevice* fake = PrepareDevice();
  fake->send_ok = false;
  fake->get_ok = false;
  std::unique_ptr<HidDevice> device = backend_.Open("/dev/hidraw9");
  ASSERT_NE(device, nullptr);

  const std::array<std::uint8_t, 2> command = {0, 0x0A};
  EXPECT_FALSE(device->SendFeature(command));
  std::array<std::uint8_t, 2> report = {};
  EXPECT_FALSE(device->GetFeature(report));

  EXPECT_EQ(out_.str(),
            "0.000 - open /dev/hidraw9\n"
            "0.000 - set 00 0A failed\n"
            "0.000 - get 00 00 failed\n");
}

TEST_F(TracingBackendTest, FailedOpenPassesTheReasonAndTracesNothing) {
  OpenError error = OpenError::kNone;
  EXPECT_EQ(backend_.Open("/dev/hidraw1", &error), nullptr);
  EXPECT_EQ(error, OpenError::kPermissionDenied);
  EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace orvane
