#include "device/monotonic_clock.h"

#include <thread>

namespace orvane {

SteadyClock::SteadyClock() : start_(std::chrono::steady_clock::now()) {}

std::chrono::nanoseconds SteadyClock::Now() const {
  return std::chrono::steady_clock::now() - start_;
}

std::chrono::system_clock::time_point SteadyClock::RealtimeAt(
    std::chrono::nanoseconds monotonic) const {
  return std::chrono::system_clock::now() -
         std::chrono::duration_cast<std::chrono::system_clock::duration>(Now() - monotonic);
}

void SteadyClock::SleepFor(std::chrono::nanoseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace orvane
