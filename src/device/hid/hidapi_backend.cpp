#include "device/hid/hidapi_backend.h"

#include <hidapi.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "device/hid/input_report_queue.h"
#include "device/hid/report_descriptor.h"
#include "device/hid/report_framing.h"
#include "device/hid/wide_text.h"

#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#endif
#ifdef __linux__
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#endif

namespace orvane {
namespace {

// Room for several seconds of reports at the fastest rate a full-speed device sends them.
constexpr std::size_t kInputQueueCapacity = 4096;
// The reader's wait for one report; bounds how long closing a device waits for its thread.
constexpr int kReaderWaitMilliseconds = 20;
constexpr std::size_t kReadBufferSize = 4096;
constexpr std::size_t kMaxDescriptorSize = 4096;
constexpr std::size_t kStringBufferLength = 256;

struct HidCloser {
  void operator()(hid_device* handle) const { hid_close(handle); }
};
using HidHandle = std::unique_ptr<hid_device, HidCloser>;

void InitHidapiOnce() {
  static const int result = hid_init();
  (void)result;  // on failure hidapi's own calls fail and report it
}

std::wstring WideOrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

template <typename Getter>
std::optional<std::wstring> ReadString(Getter get, hid_device* handle) {
  wchar_t text[kStringBufferLength] = {};
  const int result = get(handle, text, kStringBufferLength);
  text[kStringBufferLength - 1] = L'\0';
  return DeviceString(result, text);
}

std::vector<std::uint8_t> ReadReportDescriptor([[maybe_unused]] hid_device* handle,
                                               [[maybe_unused]] const std::string& path) {
  std::vector<std::uint8_t> descriptor(kMaxDescriptorSize);
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
  const int size = hid_get_report_descriptor(handle, descriptor.data(), descriptor.size());
  descriptor.resize(static_cast<std::size_t>(std::max(size, 0)));
#elif defined(__linux__)
  // Older hidapi cannot fetch the descriptor; the hidraw node's sysfs entry has it.
  const std::filesystem::path node = std::filesystem::path(path).filename();
  std::ifstream file(
      std::filesystem::path("/sys/class/hidraw") / node / "device" / "report_descriptor",
      std::ios::binary);
  file.read(reinterpret_cast<char*>(descriptor.data()),
            static_cast<std::streamsize>(descriptor.size()));
  descriptor.resize(static_cast<std::size_t>(file.gcount()));
#else
  descriptor.clear();
#endif
  return descriptor;
}

// Why hid_open_path failed on `path`, judged from the node itself.
OpenError OpenFailure([[maybe_unused]] const std::string& path) {
#ifdef __linux__
  if (access(path.c_str(), R_OK | W_OK) == 0) return OpenError::kOther;
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
      return OpenError::kNotFound;
    case EACCES:
    case EPERM:
      return OpenError::kPermissionDenied;
    default:
      return OpenError::kOther;
  }
#else
  return OpenError::kOther;
#endif
}

class HidapiDevice : public HidDevice {
 public:
  HidapiDevice(HidHandle feature_handle, HidHandle read_handle, ReportLengths lengths,
               TraceLog* trace)
      : feature_handle_(std::move(feature_handle)),
        read_handle_(std::move(read_handle)),
        lengths_(lengths),
        trace_(trace),
        serial_(LowByteText(
            ReadString(hid_get_serial_number_string, feature_handle_.get()).value_or(L""))),
        queue_(kInputQueueCapacity) {}

  ~HidapiDevice() override {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
  }

  bool SendFeature(std::span<const std::uint8_t> report) override {
    if (report.empty()) return false;
    return hid_send_feature_report(feature_handle_.get(), report.data(), report.size()) ==
           static_cast<int>(report.size());
  }

  bool GetFeature(std::span<std::uint8_t> report) override {
    if (report.empty()) return false;
    return FinishFeatureReply(
        hid_get_feature_report(feature_handle_.get(), report.data(), report.size()), report);
  }

  int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                ReceiveTime* received = nullptr) override {
    // The reader starts with the first read: a handle opened only for strings and feature reports
    // never drains (and overflows) a queue nobody reads. The kernel keeps the reports that arrive
    // before it, as for any open hidraw handle.
    if (!reader_.joinable()) reader_ = StartSignalFreeThread([this] { DrainInputReports(); });
    return queue_.Pop(buffer, timeout, received);
  }

  int FeatureReportLength() const override { return lengths_.feature; }
  int InputReportLength() const override { return lengths_.input; }

  std::optional<std::wstring> Manufacturer() override {
    return ReadString(hid_get_manufacturer_string, feature_handle_.get());
  }
  std::optional<std::wstring> Product() override {
    return ReadString(hid_get_product_string, feature_handle_.get());
  }
  std::optional<std::wstring> SerialNumber() override {
    return ReadString(hid_get_serial_number_string, feature_handle_.get());
  }

 private:
  // Runs on the reader thread, which alone touches `read_handle_`.
  void DrainInputReports() {
    std::vector<std::uint8_t> received(kReadBufferSize);
    while (!stop_) {
      const int count = hid_read_timeout(read_handle_.get(), received.data(), received.size(),
                                         kReaderWaitMilliseconds);
      if (count < 0) {
        queue_.MarkFailed();
        return;
      }
      if (count == 0) continue;
      // Taken before anything else, as close to the report's arrival as the thread gets.
      const ReceiveTime when = {std::chrono::system_clock::now(),
                                std::chrono::steady_clock::now().time_since_epoch()};
      const auto report = std::span(received).first(static_cast<std::size_t>(count));
      if (!queue_.Push(FrameInputReport(report, lengths_.numbered), when) && trace_ != nullptr) {
        trace_->Write(serial_, "overflow", std::to_string(queue_.overflow_count()));
      }
    }
  }

  HidHandle feature_handle_;
  HidHandle read_handle_;
  const ReportLengths lengths_;
  TraceLog* const trace_;
  const std::string serial_;
  InputReportQueue queue_;
  std::atomic<bool> stop_ = false;
  std::thread reader_;
};

}  // namespace

std::thread StartSignalFreeThread(std::function<void()> body) {
#ifndef _WIN32
  // The new thread inherits the mask it is created under, so it takes no signal from its start.
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  std::thread thread(std::move(body));
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return thread;
#else
  return std::thread(std::move(body));
#endif
}

HidapiBackend::HidapiBackend(TraceLog* trace) : trace_(trace) { InitHidapiOnce(); }

std::vector<HidDeviceInfo> HidapiBackend::Enumerate(std::uint16_t vendor_id,
                                                    std::span<const std::uint16_t> product_ids) {
  std::vector<HidDeviceInfo> devices;
  hid_device_info* const all = hid_enumerate(vendor_id, 0);
  for (const hid_device_info* info = all; info != nullptr; info = info->next) {
    if (std::find(product_ids.begin(), product_ids.end(), info->product_id) == product_ids.end()) {
      continue;
    }
    devices.push_back({.path = info->path,
                       .vendor_id = info->vendor_id,
                       .product_id = info->product_id,
                       .release = info->release_number,
                       .serial = WideOrEmpty(info->serial_number),
                       .manufacturer = WideOrEmpty(info->manufacturer_string),
                       .product = WideOrEmpty(info->product_string)});
  }
  hid_free_enumeration(all);
  return devices;
}

std::unique_ptr<HidDevice> HidapiBackend::Open(const std::string& path, OpenError* error) {
  OpenError failure = OpenError::kNone;
  HidHandle feature_handle(hid_open_path(path.c_str()));
  HidHandle read_handle;
  if (feature_handle == nullptr) {
    failure = OpenFailure(path);
  } else {
    read_handle.reset(hid_open_path(path.c_str()));
    if (read_handle == nullptr) failure = OpenFailure(path);
  }
  if (error != nullptr) *error = failure;
  if (failure != OpenError::kNone) return nullptr;

  const ReportLengths lengths =
      ParseReportDescriptor(ReadReportDescriptor(feature_handle.get(), path));
  return std::make_unique<HidapiDevice>(std::move(feature_handle), std::move(read_handle), lengths,
                                        trace_);
}

}  // namespace orvane
