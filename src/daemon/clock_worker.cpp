#include "daemon/clock_worker.h"

#include <utility>

namespace orvane {

ClockWorker::ClockWorker(std::unique_ptr<ServedClock> clock, MonotonicClock& monotonic,
                         bool threaded, std::shared_ptr<ControlOutbox> outbox)
    : clock_(std::move(clock)),
      serial_(clock_->serial()),
      monotonic_(monotonic),
      clients_(std::move(outbox)) {
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
  while (Step(lock)) {
  }
  return clock_->connected() ? clock_->next_tick() : std::chrono::nanoseconds::max();
}

bool ClockWorker::Submit(Operation operation) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    operations_.push_back(std::move(operation));
  }
  changed_.notify_all();
  return true;
}

bool ClockWorker::Step(std::unique_lock<std::mutex>& lock) {
  if (busy_since_) return false;
  const bool connect = std::exchange(connect_requested_, false) && !clock_->connected();
  const bool tick = !connect && clock_->connected() && clock_->next_tick() <= monotonic_.Now();
  Operation operation;
  if (!connect && !tick && !operations_.empty()) {
    operation = std::move(operations_.front());
    operations_.pop_front();
  }
  if (!connect && !tick && !operation) return false;
  busy_since_ = monotonic_.Now();
  lock.unlock();
  ClockSession::OpenResult refused;
  bool done = true;
  const bool was_connected = clock_->connected();
  if (connect) {
    done = clock_->Connect(&refused);
    if (done && clients_.has_subscribers()) {
      clients_.Publish(ClockEventLine("back", serial_));
    }
  } else if (tick) {
    std::optional<PollEvent> event;
    if (clients_.has_subscribers()) event.emplace();
    done = clock_->Tick(event ? &*event : nullptr);
    if (event) clients_.Publish(PollEventLine(serial_, *event));
  } else {
    operation(*clock_);
  }
  // A tick that found the clock gone, or an operation that let it go (sleep, a new serial).
  const bool lost = !connect && was_connected && !clock_->connected();
  if (lost) clients_.Publish(ClockEventLine("gone", serial_));
  lock.lock();
  busy_since_.reset();
  changed_.notify_all();
  if (connect) {
    news_.connected = news_.connected || done;
    news_.refused = std::move(refused);
  } else {
    news_.ticked = news_.ticked || tick;
    news_.lost = news_.lost || lost;
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
    operations_.clear();
    changed_.notify_all();
    // A client's operation runs on its own thread; the clock is stopped only after it.
    changed_.wait(lock, [this] { return !busy_since_; });
  }
  if (thread_.joinable()) thread_.join();
  clock_->Stop();
}

}  // namespace orvane
