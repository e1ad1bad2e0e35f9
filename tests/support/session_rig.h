#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/hid/forwarding_backend.h"
#include "engine/clock_session.h"
#include "support/fake_receiver.h"

namespace orvane {

// In front of the traced simulated clocks: refuses the `denied` paths with `refusal` (as a missing
// permission would, unless said) and, once `scripted`, answers reads from `reports` instead of the
// clock (an empty report is a failed read; none left is a wait that times out). The n-th scripted
// report arrives n ms after the manual clock's start, so that tests can tell reports apart by their
// time.
class ScriptedBackend : public ForwardingHidBackend {
 public:
  ScriptedBackend(HidBackend& inner, MonotonicClock& clock)
      : ForwardingHidBackend(inner), clock_(clock) {}

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override {
    if (denied.contains(path)) {
      if (error != nullptr) *error = refusal;
      return nullptr;
    }
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    if (device == nullptr) return nullptr;
    return std::make_unique<Device>(std::move(device), *this);
  }

  std::set<std::string> denied;
  OpenError refusal = OpenError::kPermissionDenied;
  bool scripted = false;
  std::deque<Bytes> reports;

 private:
  class Device : public ForwardingHidDevice {
   public:
    Device(std::unique_ptr<HidDevice> inner, ScriptedBackend& script)
        : ForwardingHidDevice(std::move(inner)), script_(script) {}

    int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout,
                  ReceiveTime* received = nullptr) override {
      if (!script_.scripted) return ForwardingHidDevice::ReadInput(buffer, timeout, received);
      if (script_.reports.empty()) {
        script_.clock_.SleepFor(timeout);
        return 0;
      }
      const Bytes report = std::move(script_.reports.front());
      script_.reports.pop_front();
      if (report.empty()) return -1;
      const std::chrono::milliseconds at(++script_.read_count_);
      if (received != nullptr) *received = {script_.clock_.RealtimeAt(at), at};
      std::copy_n(report.begin(), std::min(report.size(), buffer.size()), buffer.begin());
      return static_cast<int>(report.size());
    }

   private:
    ScriptedBackend& script_;
  };

  MonotonicClock& clock_;
  int read_count_ = 0;
};

// A clock session on the rig's simulated clocks, through the scripted backend.
struct SessionRig : SimRig {
  // Adds a clock and connects to it, forgetting the connection's exchanges.
  std::optional<DeviceConfiguration> Connected(ClockDeviceOptions options = {}) {
    AddClock(std::move(options));
    const std::optional<DeviceConfiguration> stored = session.Connect("").configuration;
    Exchanges();
    return stored;
  }

  // The feature-report exchanges since the last call, in order: "set <hex>", or "get" whatever
  // the reply held.
  std::vector<std::string> Exchanges() {
    std::vector<std::string> lines;
    std::istringstream in(trace_text.str());
    for (std::string line; std::getline(in, line);) {
      if (const std::size_t at = line.find(" set "); at != std::string::npos) {
        lines.push_back(line.substr(at + 1));
      } else if (line.find(" get ") != std::string::npos) {
        lines.push_back("get");
      }
    }
    trace_text.str("");
    return lines;
  }

  ScriptedBackend script{traced, clock};
  ClockSession session{script, trace, clock};
};

// The trace text of a 64-byte set report that starts with the bytes `head` (hex), zero after.
inline std::string Set(const std::string& head) {
  std::string line = "set " + head;
  for (std::size_t bytes = (head.size() + 1) / 3; bytes < 64; ++bytes) line += " 00";
  return line;
}

// A 64-byte input report: `head` followed by zeros.
inline Bytes Report(std::initializer_list<std::uint8_t> head) {
  Bytes report(head);
  report.resize(64, 0);
  return report;
}

}  // namespace orvane
