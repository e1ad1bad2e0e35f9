#include "daemon/clock_clients.h"

namespace orvane {

void ClockClients::Subscribe(ControlClientId client) {
  std::lock_guard lock(mutex_);
  subscribers_.insert(client);
}

bool ClockClients::Unsubscribe(ControlClientId client) {
  std::lock_guard lock(mutex_);
  return subscribers_.erase(client) > 0;
}

bool ClockClients::has_subscribers() const {
  std::lock_guard lock(mutex_);
  return !subscribers_.empty();
}

void ClockClients::Publish(const std::string& line) {
  std::lock_guard lock(mutex_);
  for (const ControlClientId client : subscribers_) outbox_->Push(client, line, false);
}

void ClockClients::Lease(ControlClientId client, bool on) {
  std::lock_guard lock(mutex_);
  if (on) {
    leases_.insert(client);
  } else {
    leases_.erase(client);
  }
}

std::size_t ClockClients::lease_count() const {
  std::lock_guard lock(mutex_);
  return leases_.size();
}

void ClockClients::Forget(ControlClientId client) {
  std::lock_guard lock(mutex_);
  subscribers_.erase(client);
  leases_.erase(client);
}

}  // namespace orvane
