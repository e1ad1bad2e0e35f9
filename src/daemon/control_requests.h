#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "control/control_protocol.h"
#include "daemon/clock_worker.h"
#include "daemon/control_outbox.h"
#include "daemon/control_server.h"
#include "service/journal_log.h"

namespace orvane {

// The clocks the control socket reaches: the daemon's loop adds each clock's worker when it
// first serves it (workers live as long as the daemon) and updates what `list` shows of it; the
// control thread looks them up under one lock. Deferred replies and events leave through the
// directory's outbox, which the control server reads.
class ControlDirectory {
 public:
  ControlDirectory() : outbox_(std::make_shared<ControlOutbox>()) {}

  const std::shared_ptr<ControlOutbox>& outbox() const { return outbox_; }

  void Add(const std::string& serial, ClockWorker& worker);

  // A clock as `list` shows it.
  struct Entry {
    std::string serial;
    bool connected = false;
    std::string path;
    std::string manufacturer;
    std::string product;
    std::uint16_t release = 0;
    std::string problem;  // empty: usable
  };
  void Update(const Entry& entry);
  std::vector<Entry> List() const;
  // The connected clock of that serial; without one, the last connected in serial order (as a
  // front end picks the last clock listed). Null when there is none.
  ClockWorker* Find(const std::optional<std::string>& serial) const;
  // A client's connection ended: its subscriptions and leases end with it.
  void Forget(ControlClientId client) const;

 private:
  struct Clock {
    ClockWorker* worker = nullptr;
    Entry entry;
  };
  const std::shared_ptr<ControlOutbox> outbox_;
  mutable std::mutex mutex_;
  std::map<std::string, Clock> clocks_;
};

// The reply line to one request that the control server passes on (not hello), or nullopt
// when the clock's worker answers it later through the directory's outbox. `list`, `plan`,
// `messages`, `subscribe` and `unsubscribe` are answered at once; every exchange with a clock
// is queued on its worker, so the control thread never waits for a clock. Changes go to `log`
// with the peer's uid.
std::optional<std::string> AnswerControlRequest(const ControlDirectory& directory,
                                                const ControlRequest& request,
                                                const ControlPeer& peer, JournalLog& log);

}  // namespace orvane
