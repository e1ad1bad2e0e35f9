#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// One HID interface as enumeration sees it. Strings stay wide as the platform delivers them;
// LowByteText() turns them into the texts the window shows.
struct HidDeviceInfo {
  std::string path;
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t release = 0;  // bcdDevice: major in the high byte, minor in the low byte
  std::wstring serial;
  std::wstring manufacturer;
  std::wstring product;
};

// When an input report reached the host, taken where it was received (a backend's reader
// thread): the wall clock for time services, the monotonic clock for intervals.
struct ReceiveTime {
  std::chrono::system_clock::time_point realtime{};
  std::chrono::nanoseconds monotonic{0};
  bool operator==(const ReceiveTime&) const = default;
};

// Why an open failed; lets the window tell "no access" apart from "no device". kBusy: another
// program holds the clock's lock (see LockingBackend).
enum class OpenError { kNone, kNotFound, kPermissionDenied, kBusy, kOther };

// An open device. Every buffer begins with the report-ID byte (0) and every length includes it,
// whatever the platform does underneath.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  // The whole buffer is sent; byte 0 is the report ID.
  virtual bool SendFeature(std::span<const std::uint8_t> report) = 0;
  // Byte 0 of the buffer selects the report ID; on success the buffer holds the report.
  virtual bool GetFeature(std::span<std::uint8_t> report) = 0;
  // One input report, report ID at offset 0. Waits at most `timeout`. Returns the number of bytes
  // written, 0 when nothing arrived in time, -1 when the device failed or is gone. `received`,
  // when given, gets the time the report reached the host.
  virtual int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                        ReceiveTime* received = nullptr) = 0;

  // Report lengths with the report-ID byte counted, as the descriptor gives them.
  virtual int FeatureReportLength() const = 0;
  virtual int InputReportLength() const = 0;

  // USB strings; nullopt when the device does not answer.
  virtual std::optional<std::wstring> Manufacturer() = 0;
  virtual std::optional<std::wstring> Product() = 0;
  virtual std::optional<std::wstring> SerialNumber() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Present interfaces whose vendor ID is `vendor_id` and product ID one of `product_ids`.
  virtual std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor_id,
                                               std::span<const std::uint16_t> product_ids) = 0;
  // Opens a path from Enumerate(); nullptr on failure, with the reason in `error` when given.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) = 0;
  // Who held the clock at `path` when Open() last failed with kBusy ("orvaned (pid 812)");
  // empty where nothing is known.
  virtual std::string BusyHolder(const std::string& /*path*/) { return {}; }
};

}  // namespace orvane
