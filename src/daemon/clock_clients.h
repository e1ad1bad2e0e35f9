#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "daemon/control_outbox.h"

namespace orvane {

// The control clients one clock has: those subscribed to its poll events, and those holding a
// lease on its receiver's status messages. Changed by the control thread, read by the clock's
// worker after each poll; both under one lock.
class ClockClients {
 public:
  explicit ClockClients(std::shared_ptr<ControlOutbox> outbox) : outbox_(std::move(outbox)) {}

  void Subscribe(ControlClientId client);
  // False when the client was not subscribed.
  bool Unsubscribe(ControlClientId client);
  bool has_subscribers() const;
  // The event line (newline included) to every subscriber; the server drops one that lags.
  void Publish(const std::string& line);

  // A lease only records that the client wants the messages: the service keeps them on while
  // it serves the clock whatever its clients ask.
  void Lease(ControlClientId client, bool on);
  std::size_t lease_count() const;

  // The connection ended: its subscription and lease with it.
  void Forget(ControlClientId client);

 private:
  const std::shared_ptr<ControlOutbox> outbox_;
  mutable std::mutex mutex_;
  std::set<ControlClientId> subscribers_;
  std::set<ControlClientId> leases_;
};

}  // namespace orvane
