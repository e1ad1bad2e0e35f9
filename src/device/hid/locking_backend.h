#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "device/hid/clock_lock.h"
#include "device/hid/forwarding_backend.h"

namespace orvane {

// Opens a clock only under its ClockLock, held until the last device this backend opened on that
// path is closed: one backend is one owner, so the engine's second handle on a clock shares the
// lock while another program (or another backend) gets OpenError::kBusy before the device is
// touched. `inner` must outlive it and its devices.
class LockingBackend : public ForwardingHidBackend {
 public:
  LockingBackend(HidBackend& inner, std::string directory);
  // Owns `inner`: for a front end's real clocks.
  static std::unique_ptr<HidBackend> Around(std::unique_ptr<HidBackend> inner,
                                            std::string directory);

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override;
  std::string BusyHolder(const std::string& path) override;

 private:
  const std::string directory_;
  std::mutex mutex_;  // the service opens clocks from several threads
  std::map<std::string, std::weak_ptr<ClockLock>> held_;
  std::map<std::string, std::string> holders_;  // of the paths last found busy
};

}  // namespace orvane
