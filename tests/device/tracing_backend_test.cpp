#include "device/hid/tracing_backend.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>

namespace orvane {
namespace {

using std::chrono::milliseconds;

// A device that answers from scripted results: `reply` to every fetch, `input` to the first read.
class FakeDevice : public HidDevice {
 public:
  bool SendFeature(std::span<const std::uint8_t>) override { return ok; }
  bool GetFeature(std::span<std::uint8_t> report) override {
    if (ok) std::copy_n(reply.begin(), std::min(reply.size(), report.size()), report.begin());
    return ok;
  }
  int ReadInput(std::span<std::uint8_t> buffer, milliseconds, ReceiveTime*) override {
    const std::vector<std::uint8_t> read = std::exchange(input, {});
    std::copy(read.begin(), read.end(), buffer.begin());
    return static_cast<int>(read.size());
  }
  int FeatureReportLength() const override { return 4; }
  int InputReportLength() const override { return 3; }
  std::optional<std::wstring> Manufacturer() override { return std::nullopt; }
  std::optional<std::wstring> Product() override { return std::nullopt; }
  std::optional<std::wstring> SerialNumber() override { return std::nullopt; }

  bool ok = true;
  std::vector<std::uint8_t> reply = {0, 0x11, 0x22, 0x33};
  std::vector<std::uint8_t> input;
};

// Lists `devices`; opens the next device prepared, or refuses for lack of permission.
class FakeBackend : public HidBackend {
 public:
  std::vector<HidDeviceInfo> Enumerate(std::uint16_t, std::span<const std::uint16_t>) override {
    return devices;
  }
  std::unique_ptr<HidDevice> Open(const std::string&, OpenError* error) override {
    if (error != nullptr) *error = next ? OpenError::kNone : OpenError::kPermissionDenied;
    return std::move(next);
  }

  std::vector<HidDeviceInfo> devices;
  std::unique_ptr<FakeDevice> next;
};

class TracingBackendTest : public testing::Test {
 protected:
  FakeDevice& Prepare() {
    inner_.next = std::make_unique<FakeDevice>();
    return *inner_.next;
  }

  ManualClock clock_;
  std::ostringstream out_;
  TraceLog trace_{&out_, clock_};
  FakeBackend inner_;
  TracingBackend backend_{inner_, trace_};
};

TEST_F(TracingBackendTest, TracesEveryExchangeUnderTheEnumeratedSerial) {
  // U+0147 stands for 'G': the serial's text is made of low bytes.
  inner_.devices.resize(1);
  inner_.devices[0].path = "/dev/hidraw3";
  inner_.devices[0].serial = L"\u014760031";
  ASSERT_EQ(backend_.Enumerate(0x1209, {}).size(), 1u);
  Prepare().input = {0, 0xA0, 0x0B};
  clock_.Advance(milliseconds(1500));
  std::unique_ptr<HidDevice> device = backend_.Open("/dev/hidraw3");
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(device->SendFeature(std::array<std::uint8_t, 4>{0, 8, 6, 1}));
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

TEST_F(TracingBackendTest, FailuresAreMarkedUnknownSerialIsDashAndARefusedOpenIsNotTraced) {
  OpenError error = OpenError::kNone;
  EXPECT_EQ(backend_.Open("/dev/hidraw1", &error), nullptr);
  EXPECT_EQ(error, OpenError::kPermissionDenied);
  Prepare().ok = false;
  std::unique_ptr<HidDevice> device = backend_.Open("/dev/hidraw9");
  ASSERT_NE(device, nullptr);
  EXPECT_FALSE(device->SendFeature(std::array<std::uint8_t, 2>{0, 0x0A}));
  std::array<std::uint8_t, 2> report = {};
  EXPECT_FALSE(device->GetFeature(report));
  EXPECT_EQ(out_.str(),
            "0.000 - open /dev/hidraw9\n"
            "0.000 - set 00 0A failed\n"
            "0.000 - get 00 00 failed\n");
}

}  // namespace
}  // namespace orvane
