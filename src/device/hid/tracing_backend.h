#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "device/hid/forwarding_backend.h"
#include "device/trace_log.h"

namespace orvane {

// Writes every exchange with a device to the trace: open and close, each feature report sent or
// fetched, each input report read. Decorates any backend; `inner` and `trace` must outlive it and
// the devices it opens.
class TracingBackend : public ForwardingHidBackend {
 public:
  TracingBackend(HidBackend& inner, TraceLog& trace);

  std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor_id,
                                       std::span<const std::uint16_t> product_ids) override;
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override;

 private:
  TraceLog& trace_;
  // Serial text of each path enumerated so far, for the trace lines of its device; the service
  // lists and opens clocks from several threads.
  std::mutex mutex_;
  std::map<std::string, std::string> serial_by_path_;
};

}  // namespace orvane
