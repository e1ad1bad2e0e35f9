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
  // The wall-clock time at which this clock read `monotonic`.
  virtual std::chrono::system_clock::time_point RealtimeAt(
      std::chrono::nanoseconds monotonic) const = 0;
};

// The host's steady clock, counted from construction.
class SteadyClock : public MonotonicClock {
 public:
  SteadyClock();
  std::chrono::nanoseconds Now() const override;
  void SleepFor(std::chrono::nanoseconds duration) override;
  std::chrono::system_clock::time_point RealtimeAt(
      std::chrono::nanoseconds monotonic) const override;

 private:
  std::chrono::steady_clock::time_point start_;
};

// A clock that moves only when told to; SleepFor moves it at once.
class ManualClock : public MonotonicClock {
 public:
  std::chrono::nanoseconds Now() const override { return now_; }
  void SleepFor(std::chrono::nanoseconds duration) override { now_ += duration; }
  // A fixed day, so that wall-clock times in tests are as repeatable as the rest.
  std::chrono::system_clock::time_point RealtimeAt(
      std::chrono::nanoseconds monotonic) const override {
    return kEpoch + std::chrono::duration_cast<std::chrono::system_clock::duration>(monotonic);
  }
  void Advance(std::chrono::nanoseconds duration) { now_ += duration; }
  static constexpr std::chrono::system_clock::time_point kEpoch{std::chrono::seconds(1796558400)};

 private:
  std::chrono::nanoseconds now_{0};
};

}  // namespace orvane
