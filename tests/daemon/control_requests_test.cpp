#include "daemon/control_requests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "control/control_values.h"
#include "daemon/clock_daemon.h"
#include "protocol/command_codes.h"
#include "sim/clock_device.h"
#include "sim/simulated_backend.h"
#include "support/control_client.h"

namespace orvane {
namespace {

using testing_support::ControlClient;

// orvaned as it runs: real time, each clock polled on its own thread, the control server on a
// scratch socket; the loop runs on the test's thread.
class ControlRequestsTest : public testing::Test {
 protected:
  void SetUp() override {
    ClockDeviceOptions options;
    options.serial = "G60031";
    polled_ = &backend_.AddDevice(options);
    expected_ = polled_->configuration();
    options.serial = "G60032";
    options.record_received = false;
    backend_.AddDevice(options);
    settings_.control = &directory_;
    daemon_ = std::make_unique<ClockDaemon>(backend_, trace_, steady_, log_, settings_);
    std::string error;
    server_ = ControlServer::Start(
        path_, {},
        [this](const ControlRequest& request, const ControlPeer& peer) {
          return AnswerControlRequest(directory_, request, peer);
        },
        log_, &error);
    ASSERT_TRUE(server_) << error;
    RunUntil([this] { return daemon_->Status() == "serving 2 clock(s), 0 feeding chronyd"; });
  }

  void TearDown() override {
    server_.reset();
    daemon_->Stop();
  }

  // Runs the loop, waiting as the service does, until `done` or 30 s have passed.
  template <typename Done>
  void RunUntil(Done done) {
    const auto end = steady_.Now() + std::chrono::seconds(30);
    while (!done() && steady_.Now() < end) {
      const auto next = std::min(daemon_->RunOnce(), steady_.Now() + std::chrono::milliseconds(10));
      if (next > steady_.Now()) steady_.SleepFor(next - steady_.Now());
    }
  }

  ClockDevice* polled_ = nullptr;
  DeviceConfiguration expected_;
  SteadyClock steady_;
  SimulatedBackend backend_{steady_};
  TraceLog trace_{nullptr, steady_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  ControlDirectory directory_;
  DaemonSettings settings_;
  std::unique_ptr<ClockDaemon> daemon_;
  std::string dir_ = mkdtemp((testing::TempDir() + "control-XXXXXX").data());
  std::string path_ = dir_ + "/control";
  std::unique_ptr<ControlServer> server_;
};

TEST_F(ControlRequestsTest, ListsTheServedClocksAndRefusesAnUnknownOne) {
  ControlClient client(path_ + ".ro");
  EXPECT_EQ(client.Ask(R"({"id":1,"op":"list"})"),
            R"({"id":1,"ok":true,"clocks":[{"serial":"G60031","connected":true},)"
            R"({"serial":"G60032","connected":true}]})");
  const auto reply = ParseJson(client.Ask(R"({"op":"readback","serial":"G69999"})")).value;
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply->Find("error")->AsString(), "no-clock");
}

TEST_F(ControlRequestsTest, ReadbacksOfManyClientsWhileTheServicePollsGetTheConfiguration) {
  constexpr int kClients = 8;
  constexpr int kReadbacks = 50;
  std::atomic<int> finished = 0;
  std::atomic<int> right = 0;
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&] {
      ControlClient client(path_ + ".ro");
      for (int i = 0; i < kReadbacks; ++i) {
        const auto reply = ParseJson(client.Ask(R"({"op":"readback","serial":"G60031"})")).value;
        const JsonValue* configuration = reply ? reply->Find("configuration") : nullptr;
        if (configuration && ConfigurationFromJson(*configuration) == expected_) ++right;
      }
      ++finished;
    });
  }
  RunUntil([&] { return finished == kClients; });
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(right, kClients * kReadbacks);
  // The service went on polling meanwhile, each poll asking for the reference count, whose reply
  // a readback between its two reports would have taken for the configuration.
  server_.reset();
  daemon_->Stop();
  const auto& received = polled_->received();
  EXPECT_GT(std::count_if(received.begin(), received.end(),
                          [](const auto& report) {
                            return report.size() > 1 && report[1] == command::kReferenceQuery;
                          }),
            10);
}

}  // namespace
}  // namespace orvane
