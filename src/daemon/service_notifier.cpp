#include "daemon/service_notifier.h"

#include <systemd/sd-daemon.h>

#include <cstdint>

namespace orvane {

ServiceNotifier::ServiceNotifier() {
  std::uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) > 0) watchdog_interval_ = std::chrono::microseconds(usec);
}

void ServiceNotifier::Ready(const std::string& status) {
  status_ = status;
  sd_notify(0, ("READY=1\nSTATUS=" + status).c_str());
}

void ServiceNotifier::Update(const std::string& status, bool healthy,
                             std::chrono::nanoseconds now) {
  if (status != status_) {
    status_ = status;
    sd_notify(0, ("STATUS=" + status).c_str());
  }
  if (healthy && watchdog_interval_.count() > 0 && now - last_pet_ >= watchdog_interval_ / 2) {
    last_pet_ = now;
    sd_notify(0, "WATCHDOG=1");
  }
}

void ServiceNotifier::Stopping() { sd_notify(0, "STOPPING=1"); }

}  // namespace orvane
