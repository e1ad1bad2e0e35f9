#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "daemon/clock_clients.h"
#include "daemon/served_clock.h"

namespace orvane {

// Runs one served clock's exchanges (its connection and its ticks) on a thread of its own, so
// that a clock whose calls block delays no other clock. The owner reaches the clock only through
// Look(), under the worker's one lock and never while an exchange runs.
class ClockWorker {
 public:
  // What happened since the owner last looked.
  struct News {
    bool connected = false;  // a connection was made
    // The last connection attempt's refusal: for lack of permission, or another program holds
    // the clock.
    ClockSession::OpenResult refused;
    bool ticked = false;
    bool lost = false;  // a tick found the clock gone
  };

  // `threaded` false: no thread; Connect() and RunDue() run the exchanges on the caller's thread
  // (tests on a manual clock). `outbox`: where the clock's control clients get its events.
  ClockWorker(std::unique_ptr<ServedClock> clock, MonotonicClock& monotonic, bool threaded,
              std::shared_ptr<ControlOutbox> outbox = nullptr);
  // Waits for a running exchange, then ends the thread.
  ~ClockWorker();
  ClockWorker(const ClockWorker&) = delete;
  ClockWorker& operator=(const ClockWorker&) = delete;

  // Asks for a connection attempt; ticks follow on their own while the clock is connected.
  void Connect();
  // Without a thread: the pending connection or a due tick, now; returns when to call it again.
  std::chrono::nanoseconds RunDue();
  // Calls `look` with the clock and the news (then cleared) unless an exchange runs; whether it
  // did.
  bool Look(const std::function<void(ServedClock&, const News&)>& look);
  // Queues a client's operation, which runs whole on the worker's thread between two polls; a
  // due poll always goes before the next operation, so busy clients delay a poll by one
  // operation at most. A clock that is not connected takes them at once. The caller never waits:
  // the operation delivers its own reply. False, and dropped, once the worker is stopping.
  using Operation = std::function<void(ServedClock&)>;
  bool Submit(Operation operation);
  // The control clients subscribed to the clock's events or holding a lease on it.
  ClockClients& clients() { return clients_; }
  // Monotonic time the running exchange started; nullopt when none runs.
  std::optional<std::chrono::nanoseconds> busy_since() const;
  // Ends the thread after its running exchange, then stops the clock (receiver rates 0).
  void Stop();

  const std::string& serial() const { return serial_; }

 private:
  void Run();
  // One pending connection, due tick or queued operation, in that order, the lock released
  // meanwhile; false when none was due.
  bool Step(std::unique_lock<std::mutex>& lock);

  const std::unique_ptr<ServedClock> clock_;
  const std::string serial_;
  MonotonicClock& monotonic_;
  ClockClients clients_;

  mutable std::mutex mutex_;  // guards everything below and the clock while no exchange runs
  std::condition_variable changed_;
  bool connect_requested_ = false;
  bool stopping_ = false;
  std::optional<std::chrono::nanoseconds> busy_since_;
  std::deque<Operation> operations_;
  News news_;
  std::thread thread_;
};

}  // namespace orvane
