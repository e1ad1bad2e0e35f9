#pragma once

// orvaned in-process as it runs: real time, simulated clocks each polled on its own thread, the
// control sockets in a scratch folder, and the loop on a thread of its own so that the test's
// thread can be the service's client.
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "access/control_connection.h"
#include "daemon/clock_daemon.h"
#include "daemon/control_requests.h"
#include "sim/simulated_backend.h"

namespace orvane::testing_support {

class RunningService {
 public:
  // Serves the clocks `serials`; with `csv` the service writes its daily logs into the folder.
  explicit RunningService(const std::vector<std::string>& serials, bool csv = false) {
    for (const std::string& serial : serials) {
      ClockDeviceOptions options;
      options.serial = serial;
      backend_.AddDevice(options);
    }
    settings_.control = &directory_;
    if (csv) {
      std::filesystem::create_directories(log_dir());
      settings_.log = LogSettings{.dir = log_dir()};
    }
    daemon_ = std::make_unique<ClockDaemon>(backend_, trace_, clock_, log_, settings_);
    std::string error;
    server_ = ControlServer::Start(
        socket_, {},
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
    server_.reset();
    running_ = false;
    loop_.join();
    daemon_->Stop();
    std::filesystem::remove_all(dir_);
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
  std::string log_dir() const { return dir_ + "/log"; }

 private:
  SteadyClock clock_;
  SimulatedBackend backend_{clock_};
  TraceLog trace_{nullptr, clock_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  ControlDirectory directory_;
  DaemonSettings settings_;
  std::unique_ptr<ClockDaemon> daemon_;
  std::string dir_ = mkdtemp(std::string("/tmp/orvane-service-XXXXXX").data());
  std::string socket_ = dir_ + "/control";
  std::unique_ptr<ControlServer> server_;
  std::atomic<bool> running_ = true;
  std::thread loop_;
};

}  // namespace orvane::testing_support
