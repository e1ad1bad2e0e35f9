#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "device/hid/forwarding_backend.h"

namespace orvane {

// Counts the feature reports a clock refused, sent or fetched, through any device it opens:
// the engine keeps only the last result, but a command that sent one report the clock refused
// must not end as if all went well. `inner` must outlive it and its devices.
class ExchangeWatch : public ForwardingHidBackend {
 public:
  explicit ExchangeWatch(HidBackend& inner) : ForwardingHidBackend(inner) {}

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override;

  std::size_t failures() const { return *failures_; }

 private:
  std::shared_ptr<std::size_t> failures_ = std::make_shared<std::size_t>(0);
};

}  // namespace orvane
