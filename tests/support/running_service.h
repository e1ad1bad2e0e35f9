#pragma once

// orvaned in-process as it runs: real time, simulated clocks each polled on its own thread, the
// control sockets in a scratch folder, and the loop on a thread of its own so that the test's
// thread can be the service's client.
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "access/control_connection.h"
#include "daemon/clock_daemon.h"
#include "daemon/control_requests.h"
#include "device/hid/tracing_backend.h"
#include "sim/simulated_backend.h"

namespace orvane::testing_support {

// What a test chooses about the service it runs.
struct ServiceSetup {
  std::vector<std::string> serials = {"G60031"};
  bool csv = false;  // daily logs into log_dir()
  ControlLimits limits = {};
  std::ostream* trace = nullptr;  // every exchange with the clocks
  bool record_received = true;    // false for a long run: the clocks keep no report
};

class RunningService {
 public:
  explicit RunningService(const ServiceSetup& setup = {}) : trace_(setup.trace, clock_) {
    for (const std::string& serial : setup.serials) {
      ClockDeviceOptions options;
      options.serial = serial;
      options.record_received = setup.record_received;
      backend_.AddDevice(options);
    }
    settings_.control = &directory_;
    settings_.metrics = &metrics_;
    if (setup.csv) {
      std::filesystem::create_directories(log_dir());
      settings_.log = LogSettings{.dir = log_dir()};
    }
    daemon_ = std::make_unique<ClockDaemon>(traced_, trace_, clock_, log_, settings_);
    std::string error;
    server_ = ControlServer::Start(
        socket_, setup.limits,
        [this](const ControlRequest& request, const ControlPeer& peer) {
          return AnswerControlRequest(directory_, request, peer, log_);
        },
        log_, &error, directory_.outbox(),
        [this](ControlClientId client) { directory_.Forget(client); });
    loop_ = std::thread([this] {
      while (running_) {
        const auto next =
            std::min(daemon_->RunOnce(), clock_.Now() + std::chrono::milliseconds(10));
        if (next > clock_.Now()) clock_.SleepFor(next - clock_.Now());
      }
    });
  }

  ~RunningService() {
    Stop();
    std::filesystem::remove_all(dir_);
  }

  // Ends the service, leaving what its clocks received to be read without a race.
  void Stop() {
    if (!running_) return;
    server_.reset();
    running_ = false;
    loop_.join();
    daemon_->Stop();
  }

  // Waits up to 30 s until the service serves `serial` on its control socket, past the
  // receiver's acquisition (a GNSS signal), as a clock on a desk is.
  bool WaitServing(const std::string& serial) {
    const auto end = clock_.Now() + std::chrono::seconds(30);
    while (clock_.Now() < end) {
      std::string error;
      if (auto connection = ControlConnection::Open(socket_ + ".ro", &error)) {
        const std::optional<JsonValue> reply = connection->Ask("status", serial);
        const JsonValue* status = reply ? reply->Find("status") : nullptr;
        const JsonValue* signal = status ? status->Find("gnss_signal") : nullptr;
        if (signal && signal->AsBool() && *signal->AsBool()) return true;
      }
      clock_.SleepFor(std::chrono::milliseconds(50));
    }
    return false;
  }

  const std::string& socket() const { return socket_; }
  ClockDevice& device(std::size_t index = 0) { return backend_.device(index); }
  MetricsBoard& metrics() { return metrics_; }
  // The journal's lines; read after Stop().
  std::string journal() const { return log_text_.str(); }
  std::string log_dir() const { return dir_ + "/log"; }

 private:
  SteadyClock clock_;
  SimulatedBackend backend_{clock_};
  TraceLog trace_;
  TracingBackend traced_{backend_, trace_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  ControlDirectory directory_;
  MetricsBoard metrics_;
  DaemonSettings settings_;
  std::unique_ptr<ClockDaemon> daemon_;
  std::string dir_ = mkdtemp(std::string("/tmp/orvane-service-XXXXXX").data());
  std::string socket_ = dir_ + "/control";
  std::unique_ptr<ControlServer> server_;
  std::atomic<bool> running_ = true;
  std::thread loop_;
};

}  // namespace orvane::testing_support
