#include "daemon/clock_worker.h"

#include <utility>

namespace orvane {

ClockWorker::ClockWorker(std::unique_ptr<ServedClock> clock, MonotonicClock& monotonic,
                         bool threaded)
    : clock_(std::move(clock)), serial_(clock_->serial()), monotonic_(monotonic) {
  if (threaded) thread_ = std::thread([this] { Run(); });
}

ClockWorker::~ClockWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ClockWorker::Connect() {
  std::unique_lock lock(mutex_);
  connect_requested_ = true;
  if (thread_.joinable()) {
    lock.unlock();
    changed_.notify_all();
  } else {
    Step(lock);
  }
}

std::chrono::nanoseconds ClockWorker::RunDue() {
  std::unique_lock lock(mutex_);
  Step(lock);
  return clock_->connected() ? clock_->next_tick() : std::chrono::nanoseconds::max();
}

bool ClockWorker::Operate(const std::function<void(ServedClock&)>& operation) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_since_ || stopping_; });
  if (stopping_) return false;
  busy_since_ = monotonic_.Now();
  lock.unlock();
  operation(*clock_);
  lock.lock();
  busy_since_.reset();
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool ClockWorker::Step(std::unique_lock<std::mutex>& lock) {
  if (busy_since_) return false;  // an operation runs
  const bool connect = std::exchange(connect_requested_, false) && !clock_->connected();
  if (!connect && !(clock_->connected() && clock_->next_tick() <= monotonic_.Now())) return false;
  busy_since_ = monotonic_.Now();
  lock.unlock();
  ClockSession::OpenResult refused;
  const bool done = connect ? clock_->Connect(&refused) : clock_->Tick();
  lock.lock();
  busy_since_.reset();
  changed_.notify_all();
  if (connect) {
    news_.connected = news_.connected || done;
    news_.refused = std::move(refused);
  } else {
    news_.ticked = true;
    news_.lost = news_.lost || !done;
  }
  return true;
}

void ClockWorker::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (Step(lock)) continue;
    if (busy_since_) {
      changed_.wait(lock);
    } else if (clock_->connected()) {
      changed_.wait_for(lock, clock_->next_tick() - monotonic_.Now());
    } else {
      changed_.wait(lock);
    }
  }
}

bool ClockWorker::Look(const std::function<void(ServedClock&, const News&)>& look) {
  std::lock_guard lock(mutex_);
  if (busy_since_) return false;
  look(*clock_, news_);
  news_ = {};
  return true;
}

std::optional<std::chrono::nanoseconds> ClockWorker::busy_since() const {
  std::lock_guard lock(mutex_);
  return busy_since_;
}

void ClockWorker::Stop() {
  {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
    // A client's operation runs on its own thread; the clock is stopped only after it.
    changed_.wait(lock, [this] { return !busy_since_; });
  }
  if (thread_.joinable()) thread_.join();
  clock_->Stop();
}

}  // namespace orvane
