#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "control/control_protocol.h"
#include "daemon/clock_worker.h"
#include "daemon/control_server.h"
#include "service/journal_log.h"

namespace orvane {

// The clocks the control socket reaches: the daemon's loop adds each clock's worker when it
// first serves it (workers live as long as the daemon) and notes whether it is connected; the
// control thread looks them up under one lock.
class ControlDirectory {
 public:
  void Add(const std::string& serial, ClockWorker& worker);
  void SetConnected(const std::string& serial, bool connected);

  struct Entry {
    std::string serial;
    bool connected = false;
  };
  std::vector<Entry> List() const;
  // The connected clock of that serial; without one, the last connected in serial order (as a
  // front end picks the last clock listed). Null when there is none.
  ClockWorker* Find(const std::optional<std::string>& serial) const;

 private:
  struct Clock {
    ClockWorker* worker = nullptr;
    bool connected = false;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Clock> clocks_;
};

// The reply line to one request that the control server passes on (not hello), each clock's
// operation run whole through its worker; changes go to `log` with the peer's uid.
std::string AnswerControlRequest(const ControlDirectory& directory, const ControlRequest& request,
                                 const ControlPeer& peer, JournalLog& log);

}  // namespace orvane
