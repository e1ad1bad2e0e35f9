#pragma once

#include <chrono>
#include <string>

namespace orvane {

// Tells systemd (Type=notify) that the service is ready, what it is doing and that it is alive.
// Without a service manager (NOTIFY_SOCKET unset) every call does nothing.
class ServiceNotifier {
 public:
  ServiceNotifier();

  void Ready(const std::string& status);
  // Sends the status when it changed and, while the service is `healthy`, pets the watchdog when
  // half its interval has passed; `now` is monotonic.
  void Update(const std::string& status, bool healthy, std::chrono::nanoseconds now);
  void Stopping();

 private:
  std::chrono::nanoseconds watchdog_interval_{0};  // 0: no watchdog
  std::chrono::nanoseconds last_pet_{0};
  std::string status_;
};

}  // namespace orvane
