#include "daemon/control_requests.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "control/constellation_names.h"
#include "control/control_values.h"
#include "daemon/clock_daemon.h"
#include "engine/frequency_displays.h"
#include "engine/number_text.h"
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
    other_ = &backend_.AddDevice(options);
    settings_.control = &directory_;
    settings_.metrics = &metrics_;
    std::filesystem::create_directory(dir_ + "/logs");
    settings_.log = LogSettings{dir_ + "/logs"};
    daemon_ = std::make_unique<ClockDaemon>(backend_, trace_, steady_, log_, settings_);
    StartServer({});
    RunUntil([this] { return daemon_->Status() == "serving 2 clock(s), 0 feeding chronyd"; });
  }

  void StartServer(const ControlLimits& limits) {
    server_.reset();
    std::string error;
    server_ = ControlServer::Start(
        path_, limits,
        [this](const ControlRequest& request, const ControlPeer& peer) {
          return AnswerControlRequest(directory_, request, peer, log_);
        },
        log_, &error, directory_.outbox(),
        [this](ControlClientId client) { directory_.Forget(client); });
    ASSERT_TRUE(server_) << error;
  }

  // Rows in the clocks' CSV files so far.
  std::size_t CsvRows() const {
    std::size_t rows = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_ + "/logs")) {
      if (entry.path().extension() != ".csv") continue;
      std::ifstream file(entry.path());
      rows += std::count(std::istreambuf_iterator<char>(file), {}, '\n');
    }
    return rows;
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
  ClockDevice* other_ = nullptr;
  DeviceConfiguration expected_;
  SteadyClock steady_;
  SimulatedBackend backend_{steady_};
  TraceLog trace_{nullptr, steady_};
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  ControlDirectory directory_;
  MetricsBoard metrics_;
  DaemonSettings settings_;
  std::unique_ptr<ClockDaemon> daemon_;
  std::string dir_ = mkdtemp((testing::TempDir() + "control-XXXXXX").data());
  std::string path_ = dir_ + "/control";
  std::unique_ptr<ControlServer> server_;
};

TEST_F(ControlRequestsTest, ListsTheClocksGivesTheirStatusAndRefusesAnUnknownOne) {
  ControlClient client(path_ + ".ro");
  const auto list = ParseJson(client.Ask(R"({"id":1,"op":"list"})")).value;
  ASSERT_TRUE(list && list->Find("clocks") && list->Find("clocks")->AsArray());
  const JsonArray& clocks = *list->Find("clocks")->AsArray();
  ASSERT_EQ(clocks.size(), 2u);
  for (const JsonValue& clock : clocks) {
    EXPECT_TRUE(*clock.Find("connected")->AsBool());
    EXPECT_TRUE(*clock.Find("usable")->AsBool());
    EXPECT_EQ(*clock.Find("problem")->AsString(), "");
    EXPECT_EQ(*clock.Find("release")->AsNumber(), 0x0112);
    EXPECT_FALSE(clock.Find("path")->AsString()->empty());
  }
  EXPECT_EQ(*clocks[1].Find("serial")->AsString(), "G60032");
  const auto reply = ParseJson(client.Ask(R"({"op":"readback","serial":"G69999"})")).value;
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply->Find("error")->AsString(), "no-clock");
  // The status comes from the service's own polls: the receiver's messages are on.
  bool locked = false;
  RunUntil([&] {
    const auto status = ParseJson(client.Ask(R"({"op":"status","serial":"G60032"})")).value;
    const JsonValue* fields = status ? status->Find("status") : nullptr;
    locked = fields && fields->Find("offset_ppb") && fields->Find("offset_ppb")->AsNumber() &&
             fields->Find("pll_locked") && fields->Find("pll_locked")->AsBool() &&
             *fields->Find("pll_locked")->AsBool();
    return locked;
  });
  EXPECT_TRUE(locked);
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

// The reports that change a clock, in the order the clock received them (the polls' and
// readbacks' reports left out).
std::vector<std::vector<std::uint8_t>> Changes(const ClockDevice& device) {
  std::vector<std::vector<std::uint8_t>> changes;
  for (const auto& report : device.received()) {
    if (report.size() < 2) continue;
    switch (report[1]) {
      case command::kOutputEnable:
      case command::kLedBlink:
      case command::kDriveStrength:
      case command::kPllConfiguration:
      case command::kRegisterWrite:
      case command::kSleep:
      case command::kTcxoCorrection:
      case command::kConstellations:
        changes.push_back(report);
    }
  }
  return changes;
}

TEST_F(ControlRequestsTest, ChangesSendTheReportsADirectSessionSendsAndTheServiceSeesThem) {
  PllDividers dividers = expected_.dividers;
  dividers.nc1_ls = 40;  // a new output frequency
  const std::string program_line =
      R"({"op":"program","serial":"G60031","gps":)" + std::to_string(dividers.gps) + R"(,"n31":)" +
      std::to_string(dividers.n31) + R"(,"n2hs":)" + std::to_string(dividers.n2_hs) +
      R"(,"n2ls":)" + std::to_string(dividers.n2_ls) + R"(,"n1hs":)" +
      std::to_string(dividers.n1_hs) + R"(,"nc1ls":40,"nc2ls":)" + std::to_string(dividers.nc2_ls) +
      R"(,"bw":)" + std::to_string(dividers.bw) + "}";
  struct Case {
    std::string line;
    std::function<void(ClockSession&)> direct;  // empty: refused, nothing sent
  };
  const Case cases[] = {
      {R"({"op":"output","serial":"G60031","on":false})",
       [](ClockSession& s) { s.SetOutputEnabled(false); }},
      {R"({"op":"drive","serial":"G60031","ma":16})",
       [](ClockSession& s) { s.SetDriveStrength(1); }},
      {R"({"op":"drive","serial":"G60031","ma":7})", {}},
      {R"({"op":"blink","serial":"G60031"})", [](ClockSession& s) { s.ToggleLedBlink(); }},
      {R"({"op":"constellations","serial":"G60031","names":["gps","glonass"]})",
       [](ClockSession& s) {
         s.SetConstellations(*ConstellationMaskFromList("gps,glonass", nullptr));
       }},
      {R"({"op":"constellations","serial":"G60031","names":["gps","mars"]})", {}},
      {R"({"op":"register","serial":"G60031","reg":5,"data":7})",
       [](ClockSession& s) { s.WriteRegister(5, 7); }},
      {R"({"op":"register","serial":"G60031","reg":256,"data":7})", {}},
      {R"({"op":"correction","serial":"G60031","ppb":12.4})",
       [](ClockSession& s) { s.StoreCorrection(12); }},
      {program_line, [dividers](ClockSession& s) { s.ProgramPll(dividers); }},
      {R"({"op":"program","serial":"G60031","gps":1,"n31":1,"n2hs":1,"n2ls":1,"n1hs":1,"nc1ls":3,"nc2ls":1})",
       {}},
  };
  ControlClient client(path_);
  for (const Case& c : cases) {
    const auto reply = ParseJson(client.Ask(c.line)).value;
    ASSERT_TRUE(reply) << c.line;
    EXPECT_EQ(*reply->Find("ok")->AsBool(), static_cast<bool>(c.direct)) << c.line;
  }
  // The service took in the new dividers: its metrics show the new output frequency.
  const std::string frequency = "orvane_output_frequency_hz{serial=\"G60031\"} " +
                                FormatGeneral(FrequencyValuesOf(dividers).output_hz);
  RunUntil([&] { return metrics_.Text().find(frequency) != std::string::npos; });
  EXPECT_NE(metrics_.Text().find(frequency), std::string::npos) << metrics_.Text();
  server_.reset();
  daemon_->Stop();

  ClockDeviceOptions options;
  options.serial = "G60031";
  SimulatedBackend direct_backend(steady_);
  ClockDevice& direct_device = direct_backend.AddDevice(options);
  ClockSession direct(direct_backend, trace_, steady_);
  ASSERT_TRUE(direct.Connect("G60031").configuration);
  for (const Case& c : cases) {
    if (c.direct) c.direct(direct);
  }
  EXPECT_EQ(Changes(*polled_), Changes(direct_device));
  EXPECT_EQ(Changes(*polled_).size(), 8u);  // PLL configuration twice
}

// The member `name` of a reply line, or null.
std::optional<JsonValue> Member(const std::string& line, const char* name) {
  const auto value = ParseJson(line).value;
  if (!value || !value->Find(name)) return std::nullopt;
  return *value->Find(name);
}

TEST_F(ControlRequestsTest, TwoProgrammingsAtOnceEachStayWhole) {
  const auto program = [&](std::uint32_t nc1_ls) {
    const PllDividers& d = expected_.dividers;
    return R"({"op":"program","serial":"G60031","gps":)" + std::to_string(d.gps) + R"(,"n31":)" +
           std::to_string(d.n31) + R"(,"n2hs":)" + std::to_string(d.n2_hs) + R"(,"n2ls":)" +
           std::to_string(d.n2_ls) + R"(,"n1hs":)" + std::to_string(d.n1_hs) + R"(,"nc1ls":)" +
           std::to_string(nc1_ls) + R"(,"nc2ls":)" + std::to_string(d.nc2_ls) + "}";
  };
  std::atomic<int> done = 0;
  std::vector<std::thread> clients;
  for (const std::uint32_t nc1_ls : {40u, 80u}) {
    clients.emplace_back([&, nc1_ls] {
      ControlClient client(path_);
      for (int i = 0; i < 5; ++i) EXPECT_TRUE(Member(client.Ask(program(nc1_ls)), "ok"));
      ++done;
    });
  }
  RunUntil([&] { return done == 2; });
  for (std::thread& client : clients) client.join();
  server_.reset();
  daemon_->Stop();
  std::vector<std::vector<std::uint8_t>> sets;
  for (const auto& report : polled_->received()) {
    if (report.size() > 1 && report[1] == command::kPllConfiguration) sets.push_back(report);
  }
  ASSERT_EQ(sets.size(), 20u);
  // Each programming sends its set twice, back to back, never split by the other's.
  const auto& received = polled_->received();
  for (std::size_t i = 0; i + 1 < received.size(); ++i) {
    if (received[i].size() < 2 || received[i][1] != command::kPllConfiguration) continue;
    EXPECT_EQ(received[i + 1], received[i]);
    ++i;
  }
}

TEST_F(ControlRequestsTest, PlanAndSetFrequencyPlanAsOrvanectlDoes) {
  ControlClient client(path_);
  const auto plan = Member(client.Ask(R"({"op":"plan","hz":10000000,"limit":3})"), "plan");
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->Find("candidates")->AsArray()->size(), 3u);
  const JsonValue* choice = plan->Find("choice");
  ASSERT_TRUE(choice && choice->AsObject());
  EXPECT_EQ(choice->Find("dividers")->Find("nc2_ls"), nullptr);

  const std::string reply = client.Ask(R"({"op":"set-frequency","serial":"G60031","hz":10000000})");
  ASSERT_EQ(Member(reply, "output_hz")->AsNumber() != nullptr, true) << reply;
  EXPECT_EQ(*Member(reply, "output_hz")->AsNumber(), 10000000.0);
  // NC2_LS stays as the clock stores it.
  EXPECT_EQ(*Member(reply, "dividers")->Find("nc2_ls")->AsNumber(), expected_.dividers.nc2_ls);
  // A choice outside the lists is never wrapped into them.
  EXPECT_TRUE(Member(client.Ask(R"({"op":"plan","hz":10000000,"vco":-1})"), "plan")
                  ->Find("choice")
                  ->IsNull());
  const std::string wrapped =
      client.Ask(R"({"op":"set-frequency","serial":"G60031","hz":10000000,"n2hs":4294967306})");
  EXPECT_EQ(*Member(wrapped, "error")->AsString(), "bad-argument") << wrapped;
  const std::string refused = client.Ask(R"({"op":"set-frequency","serial":"G60031","hz":10})");
  EXPECT_EQ(*Member(refused, "error")->AsString(), "bad-argument");
  EXPECT_NE(Member(refused, "message")->AsString()->find("too low"), std::string::npos);
}

TEST_F(ControlRequestsTest, SubscribersGetPollEventsAndTheFeedGoesOnAcrossTheSession) {
  {
    ControlClient client(path_ + ".ro");
    EXPECT_EQ(client.Ask(R"({"id":3,"op":"subscribe","serial":"G60031"})"),
              R"({"id":3,"ok":true,"serial":"G60031"})");
    std::string event;
    RunUntil([&] {
      event = client.ReadLine();
      const auto reports = Member(event, "reports");
      return reports && !reports->AsArray()->empty();
    });
    EXPECT_EQ(*Member(event, "event")->AsString(), "poll");
    EXPECT_EQ(*Member(event, "outcome")->AsString(), "reports");
    const auto reports = Member(event, "reports");
    ASSERT_TRUE(reports && !reports->AsArray()->empty());
    EXPECT_EQ((*reports->AsArray())[0].Find("stream")->AsString()->substr(0, 4), "b562");
    EXPECT_TRUE(Member(client.Ask(R"({"op":"messages","serial":"G60031","on":false})"), "ok"));
  }
  // The client hung up holding its subscription and lease: NAV-CLOCK still comes, so the
  // receiver clock bias the metrics show moves on and the CSV rows go on.
  const std::size_t rows = CsvRows();
  RunUntil([&] { return CsvRows() > rows + 1; });
  EXPECT_GT(CsvRows(), rows + 1);
  const auto bias = [&] {
    const std::string text = metrics_.Text();
    const auto at = text.find("orvane_receiver_clock_bias_seconds{serial=\"G60031\"}");
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
  };
  RunUntil([&] { return !bias().empty(); });
  const std::string before = bias();
  ASSERT_FALSE(before.empty()) << metrics_.Text();
  RunUntil([&] { return bias() != before; });
  EXPECT_NE(bias(), before);
}

TEST_F(ControlRequestsTest, ASleepingClockIsGoneAndBackAndANewSerialIsServed) {
  ControlClient watcher(path_ + ".ro");
  ASSERT_TRUE(Member(watcher.Ask(R"({"op":"subscribe","serial":"G60031"})"), "ok"));
  ControlClient client(path_);
  EXPECT_TRUE(Member(client.Ask(R"({"op":"sleep","serial":"G60031"})"), "ok"));
  const auto wait_for_event = [&](const char* name) {
    bool seen = false;
    RunUntil([&] {
      const auto event = Member(watcher.ReadLine(), "event");
      seen = event && *event->AsString() == name;
      return seen;
    });
    return seen;
  };
  EXPECT_TRUE(wait_for_event("gone"));
  polled_->Replug();  // wakes it
  EXPECT_TRUE(wait_for_event("back"));

  std::string renamed;
  RunUntil([&] {  // once the loop has seen it back
    renamed = client.Ask(R"({"op":"serial","serial":"G60031","new_serial":"G60039"})");
    return Member(renamed, "ok") && *Member(renamed, "ok")->AsBool();
  });
  EXPECT_EQ(renamed, R"({"ok":true,"serial":"G60031","new_serial":"G60039"})");
  EXPECT_TRUE(wait_for_event("gone"));
  bool served = false;
  RunUntil([&] {
    served =
        Member(client.Ask(R"({"op":"readback","serial":"G60039"})"), "configuration").has_value();
    return served;
  });
  EXPECT_TRUE(served);
}

TEST_F(ControlRequestsTest, ReadingsAndWholeOperationsAnswerAsTheContractSays) {
  ControlClient client(path_);
  const std::string readback = client.Ask(R"({"op":"readback","serial":"G60031"})");
  EXPECT_EQ(*Member(readback, "identity")->Find("release")->AsNumber(), 0x0112);
  EXPECT_FALSE(Member(readback, "path")->AsString()->empty());
  EXPECT_EQ(ConfigurationFromJson(*Member(readback, "configuration")), expected_);
  // show is readback and status in one, for a person at socat.
  RunUntil([&] {
    return Member(client.Ask(R"({"op":"show","serial":"G60031"})"), "status").has_value();
  });
  const std::string show = client.Ask(R"({"op":"show","serial":"G60031"})");
  EXPECT_TRUE(Member(show, "identity") && Member(show, "configuration")) << show;

  // Without ppb: the receiver's drift estimate, once it has a GNSS signal.
  std::string correction;
  RunUntil([&] {
    correction = client.Ask(R"({"op":"correction","serial":"G60031"})");
    return *Member(correction, "ok")->AsBool();
  });
  ASSERT_TRUE(Member(correction, "correction_ppb")) << correction;
  EXPECT_EQ(*Member(correction, "configuration")->Find("tcxo_correction")->AsNumber(),
            *Member(correction, "correction_ppb")->AsNumber());
  EXPECT_FALSE(*Member(correction, "limited")->AsBool());

  const std::string defaults = client.Ask(R"({"op":"factory-defaults","serial":"G60031"})");
  EXPECT_EQ(*Member(defaults, "configuration")->Find("drive_index")->AsNumber(), 3) << defaults;
  EXPECT_FALSE(Member(defaults, "new_serial"));
  const std::string bad = client.Ask(R"({"op":"serial","serial":"G60031","new_serial":"60031"})");
  EXPECT_EQ(*Member(bad, "error")->AsString(), "bad-argument");
}

TEST_F(ControlRequestsTest, ASubscriberThatFallsBehindIsDroppedAndThePollsGoOn) {
  ControlLimits limits;
  limits.max_queued_bytes = 8192;
  StartServer(limits);
  ControlClient slow(path_ + ".ro");
  ASSERT_TRUE(Member(slow.Ask(R"({"op":"subscribe","serial":"G60031"})"), "ok"));
  ControlClient reader(path_ + ".ro");
  ASSERT_TRUE(Member(reader.Ask(R"({"op":"subscribe","serial":"G60031"})"), "ok"));
  // `slow` reads nothing more; `reader` keeps up.
  pollfd hangup{slow.fd(), POLLRDHUP, 0};
  RunUntil([&] {
    reader.ReadLine();
    return poll(&hangup, 1, 0) == 1;
  });
  EXPECT_EQ(poll(&hangup, 1, 0), 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(*Member(reader.ReadLine(), "event")->AsString(), "poll");
  }
}

TEST_F(ControlRequestsTest, AHungClockDelaysNoOtherClockNorTheRequestsWithoutOne) {
  other_->HangFeatureCalls(std::chrono::seconds(3));
  ControlClient waiting(path_);
  waiting.Send("{\"op\":\"readback\",\"serial\":\"G60032\"}\n");
  ControlClient client(path_);
  const auto start = steady_.Now();
  EXPECT_TRUE(Member(client.Ask(R"({"op":"list"})"), "clocks"));
  EXPECT_TRUE(Member(client.Ask(R"({"op":"plan","hz":10000000})"), "plan"));
  EXPECT_TRUE(Member(client.Ask(R"({"op":"readback","serial":"G60031"})"), "configuration"));
  EXPECT_LT(steady_.Now() - start, std::chrono::seconds(1));
  other_->HangFeatureCalls(std::chrono::nanoseconds(0));
  EXPECT_TRUE(Member(waiting.ReadLine(), "configuration"));
}

}  // namespace
}  // namespace orvane
