#pragma once

#include <functional>
#include <thread>

#include "device/hid/hid_backend.h"
#include "device/trace_log.h"

namespace orvane {

// Real devices through hidapi. Every open device drains its input reports on a reader thread of
// its own, into a bounded queue, so that the kernel's small per-handle buffer never overflows
// while the window is busy.
class HidapiBackend : public HidBackend {
 public:
  // `trace`, when given, gets an `overflow` line (the count so far) whenever an open device's
  // queue drops an input report. It must outlive the devices opened.
  explicit HidapiBackend(TraceLog* trace = nullptr);

  std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor_id,
                                       std::span<const std::uint16_t> product_ids) override;
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override;

 private:
  TraceLog* trace_;
};

// Runs `body` on a new thread that takes no signals. hidapi reports a wait cut short by a signal
// as a failed read, which would pass for a lost device; signals go to the program's other threads.
std::thread StartSignalFreeThread(std::function<void()> body);

}  // namespace orvane
