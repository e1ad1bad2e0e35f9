#include "device/hid/locking_backend.h"

#include <utility>

namespace orvane {
namespace {

struct HeldLock {
  std::shared_ptr<ClockLock> lock;
};

// A device that keeps its clock's lock for as long as it is open. The lock is a base listed
// first, so that it goes only after the device is closed.
class LockedDevice : private HeldLock, public ForwardingHidDevice {
 public:
  LockedDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<ClockLock> lock)
      : HeldLock{std::move(lock)}, ForwardingHidDevice(std::move(inner)) {}
};

// A LockingBackend with the backend it decorates.
class OwningLockingBackend : public LockingBackend {
 public:
  OwningLockingBackend(std::unique_ptr<HidBackend> inner, std::string directory)
      : LockingBackend(*inner, std::move(directory)), inner_(std::move(inner)) {}

 private:
  std::unique_ptr<HidBackend> inner_;
};

}  // namespace

LockingBackend::LockingBackend(HidBackend& inner, std::string directory)
    : ForwardingHidBackend(inner), directory_(std::move(directory)) {}

std::unique_ptr<HidBackend> LockingBackend::Around(std::unique_ptr<HidBackend> inner,
                                                   std::string directory) {
  return std::make_unique<OwningLockingBackend>(std::move(inner), std::move(directory));
}

std::unique_ptr<HidDevice> LockingBackend::Open(const std::string& path, OpenError* error) {
  std::shared_ptr<ClockLock> lock;
  {
    std::lock_guard guard(mutex_);
    lock = held_[path].lock();
    if (!lock) {
      std::string holder;
      lock = ClockLock::Take(directory_, path, &holder);
      if (!lock) {
        holders_[path] = std::move(holder);
        if (error != nullptr) *error = OpenError::kBusy;
        return nullptr;
      }
      held_[path] = lock;
      holders_.erase(path);
    }
  }
  std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
  if (device == nullptr) return nullptr;
  return std::make_unique<LockedDevice>(std::move(device), std::move(lock));
}

std::string LockingBackend::BusyHolder(const std::string& path) {
  std::lock_guard guard(mutex_);
  const auto found = holders_.find(path);
  return found == holders_.end() ? ForwardingHidBackend::BusyHolder(path) : found->second;
}

}  // namespace orvane
