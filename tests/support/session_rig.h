#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "device/hid/forwarding_backend.h"
#include "device/hid/tracing_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "engine/clock_session.h"
#include "sim/receiver_model.h"
#include "sim/simulated_backend.h"

namespace orvane {

using Bytes = std::vector<std::uint8_t>;

// In front of the traced simulated clocks: refuses the `denied` paths as a missing permission
// would and, once `scripted`, answers reads from `reports` instead of the clock (an empty report
// is a failed read; none left is a wait that times out). The n-th scripted report arrives n ms
// after the manual clock's start, so that tests can tell reports apart by their time.
class ScriptedBackend : public ForwardingHidBackend {
 public:
  ScriptedBackend(HidBackend& inner, MonotonicClock& clock)
      : ForwardingHidBackend(inner), clock_(clock) {}

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error = nullptr) override {
    if (denied.contains(path)) {
      if (error != nullptr) *error = OpenError::kPermissionDenied;
      return nullptr;
    }
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    if (device == nullptr) return nullptr;
    return std::make_unique<Device>(std::move(device), *this);
  }

  std::set<std::string> denied;
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

// A clock session on simulated clocks and a manual clock, every exchange traced: nothing sleeps,
// and every report the clocks receive can be read back in order.
struct SessionRig {
  // A clock with a deterministic receiver (fixed seed and start time) unless `options` has one.
  ClockDevice& AddClock(ClockDeviceOptions options = {}) {
    if (!options.make_receiver) {
      options.make_receiver = [] {
        using namespace std::chrono;
        return std::make_unique<ReceiverModel>(
            7, ReceiverModel::UtcTime(sys_days(2026y / December / 6) + 12h));
      };
    }
    return sim.AddDevice(std::move(options));
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

  ManualClock clock;
  std::ostringstream trace_text;
  TraceLog trace{&trace_text, clock};
  SimulatedBackend sim{clock};
  TracingBackend traced{sim, trace};
  ScriptedBackend script{traced, clock};
  ClockSession session{script, trace, clock};
};

// The trace text of a set report of `length` bytes that starts with the bytes `head` (hex) and
// is zero after them.
inline std::string Set(const std::string& head, std::size_t length = 64) {
  std::string line = "set " + head;
  for (std::size_t bytes = (head.size() + 1) / 3; bytes < length; ++bytes) line += " 00";
  return line;
}

// An input report of `length` bytes: `head` followed by zeros.
inline Bytes Report(std::initializer_list<std::uint8_t> head, std::size_t length = 64) {
  Bytes report(head);
  report.resize(length, 0);
  return report;
}

}  // namespace orvane
