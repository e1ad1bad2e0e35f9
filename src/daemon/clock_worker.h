#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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
  // (tests on a manual clock).
  ClockWorker(std::unique_ptr<ServedClock> clock, MonotonicClock& monotonic, bool threaded);
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
  // Runs `operation` whole between the clock's exchanges, on the caller's thread: no tick and
  // no other operation runs meanwhile. False, without running it, once the worker is stopping.
  bool Operate(const std::function<void(ServedClock&)>& operation);
  // Monotonic time the running exchange started; nullopt when none runs.
  std::optional<std::chrono::nanoseconds> busy_since() const;
  // Ends the thread after its running exchange, then stops the clock (receiver rates 0).
  void Stop();

  const std::string& serial() const { return serial_; }

 private:
  void Run();
  // One pending connection or due tick, the lock released meanwhile; false when none was due.
  bool Step(std::unique_lock<std::mutex>& lock);

  const std::unique_ptr<ServedClock> clock_;
  const std::string serial_;
  MonotonicClock& monotonic_;

  mutable std::mutex mutex_;  // guards everything below and the clock while no exchange runs
  std::condition_variable changed_;
  bool connect_requested_ = false;
  bool stopping_ = false;
  std::optional<std::chrono::nanoseconds> busy_since_;
  News news_;
  std::thread thread_;
};

}  // namespace orvane
