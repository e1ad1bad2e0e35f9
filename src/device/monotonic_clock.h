#pragma once

#include <chrono>

namespace orvane {

// Time as the program and the simulated device see it. Injected everywhere so that tests run on a
// manual clock: deterministic, and never really asleep.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual std::chrono::nanoseconds Now() const = 0;
  virtual void SleepFor(std::chrono::nanoseconds duration) = 0;
};

// The host's steady clock, counted from construction.
class SteadyClock : public MonotonicClock {
 public:
  SteadyClock();
  std::chrono::nanoseconds Now() const override;
  void SleepFor(std::chrono::nanoseconds duration) override;

 private:
  std::chrono::steady_clock::time_point start_;
};

// A clock that moves only when told to; SleepFor moves it at once.
class ManualClock : public MonotonicClock {
 public:
  std::chrono::nanoseconds Now() const override { return now_; }
  void SleepFor(std::chrono::nanoseconds duration) override { now_ += duration; }
  void Advance(std::chrono::nanoseconds duration) { now_ += duration; }

 private:
  std::chrono::nanoseconds now_{0};
};

}  // namespace orvane
