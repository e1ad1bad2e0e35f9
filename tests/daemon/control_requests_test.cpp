#include "daemon/control_requests.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "control/control_values.h"
#include "daemon/clock_daemon.h"
#include "protocol/command_codes.h"
#include "sim/clock_device.h"
#include "support/control_client.h"
#include "support/received_reports.h"
#include "support/running_service.h"

namespace orvane {
namespace {

using testing_support::ChangesSince;
using testing_support::ControlClient;
using testing_support::RunningService;
using testing_support::ServiceSetup;

// Asks `done` until it holds (true) or 30 s have passed (false).
template <typename Done>
bool WaitUntil(Done done) {
  SteadyClock clock;
  const auto end = clock.Now() + std::chrono::seconds(30);
  while (!done()) {
    if (clock.Now() >= end) return false;
    clock.SleepFor(std::chrono::milliseconds(10));
  }
  return true;
}

// orvaned as it runs on two clocks, writing their CSV logs.
class ControlRequestsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.WaitServing("G60031") && service_.WaitServing("G60032"));
    expected_ = polled_->configuration();
  }

  // Rows in the clocks' CSV files so far.
  std::size_t CsvRows() {
    std::size_t rows = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(service_.log_dir())) {
      if (entry.path().extension() != ".csv") continue;
      std::ifstream file(entry.path());
      rows += std::count(std::istreambuf_iterator<char>(file), {}, '\n');
    }
    return rows;
  }

  RunningService service_{{.serials = {"G60031", "G60032"}, .csv = true}};
  ClockDevice* polled_ = &service_.device(0);
  ClockDevice* other_ = &service_.device(1);
  DeviceConfiguration expected_;
  std::string path_ = service_.socket();
  SteadyClock steady_;
};

// The member `name` of a reply line, or null.
std::optional<JsonValue> Member(const std::string& line, const char* name) {
  const auto value = ParseJson(line).value;
  if (!value || !value->Find(name)) return std::nullopt;
  return *value->Find(name);
}

TEST_F(ControlRequestsTest, ListsTheClocksGivesTheirStatusAndRefusesAnUnknownOne) {
  ControlClient client(path_ + ".ro");
  const auto clocks = Member(client.Ask(R"({"id":1,"op":"list"})"), "clocks");
  ASSERT_TRUE(clocks && clocks->AsArray());
  EXPECT_EQ(clocks->AsArray()->size(), 2u);
  const auto reply = ParseJson(client.Ask(R"({"op":"readback","serial":"G69999"})")).value;
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply->Find("error")->AsString(), "no-clock");
  // The status comes from the service's own polls: the receiver's messages are on.
  bool locked = false;
  WaitUntil([&] {
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
  WaitUntil([&] { return finished == kClients; });
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(right, kClients * kReadbacks);
  // The service went on polling meanwhile, each poll asking for the reference count, whose reply
  // a readback between its two reports would have taken for the configuration.
  service_.Stop();
  const auto& received = polled_->received();
  EXPECT_GT(std::count_if(received.begin(), received.end(),
                          [](const auto& report) {
                            return report.size() > 1 && report[1] == command::kReferenceQuery;
                          }),
            10);
}

TEST_F(ControlRequestsTest, TwoProgrammingsAtOnceEachStayWhole) {
  const auto program = [](int nc1_ls) {  // the factory's dividers but for NC1_LS
    return R"({"op":"program","serial":"G60031","gps":2875000,"n31":3,"n2hs":11,"n2ls":480,)"
           R"("n1hs":11,"nc2ls":46,"nc1ls":)" +
           std::to_string(nc1_ls) + "}";
  };
  std::atomic<int> done = 0;
  std::vector<std::thread> clients;
  for (const int nc1_ls : {40, 80}) {
    clients.emplace_back([&, nc1_ls] {
      ControlClient client(path_);
      for (int i = 0; i < 5; ++i) EXPECT_TRUE(Member(client.Ask(program(nc1_ls)), "ok"));
      ++done;
    });
  }
  WaitUntil([&] { return done == 2; });
  for (std::thread& client : clients) client.join();
  service_.Stop();
  std::vector<std::vector<std::uint8_t>> sets;
  std::ranges::copy_if(polled_->received(), std::back_inserter(sets),
                       [](const auto& report) { return report[1] == command::kPllConfiguration; });
  ASSERT_EQ(sets.size(), 20u);
  // Each programming sends its set twice, never split by the other's.
  for (std::size_t i = 0; i < sets.size(); i += 2) EXPECT_EQ(sets[i], sets[i + 1]);
}

TEST_F(ControlRequestsTest, AClientsProgrammingShowsInTheServicesMetricsAndJournal) {
  ControlClient client(path_);
  ASSERT_TRUE(Member(client.Ask(R"({"op":"set-frequency","serial":"G60031","hz":12345678})"),
                     "configuration"));
  EXPECT_TRUE(WaitUntil([&] {
    return service_.metrics().Text().find(
               R"(orvane_output_frequency_hz{serial="G60031"} 12345678)") != std::string::npos;
  }));
  service_.Stop();
  EXPECT_NE(service_.journal().find(" programmed G60031 to 12345678 Hz"), std::string::npos);
}

// What a change sends is compared with a direct orvanectl's by the orvanectl table; what the
// service refuses before any clock is asked is here. A divider choice outside the lists is
// refused, never wrapped into them.
TEST_F(ControlRequestsTest, ChangesOutOfRangeAreRefusedAndSendNothing) {
  ControlClient client(path_);
  for (const char* line : {
           R"({"op":"drive","serial":"G60031","ma":7})",
           R"({"op":"constellations","serial":"G60031","names":["gps","mars"]})",
           R"({"op":"register","serial":"G60031","reg":256,"data":7})",
           R"({"op":"program","serial":"G60031","gps":1,"n31":1,"n2hs":1,"n2ls":1,"n1hs":1,)"
           R"("nc1ls":3,"nc2ls":1})",
           R"({"op":"set-frequency","serial":"G60031","hz":10000000,"n2hs":4294967306})",
       }) {
    EXPECT_EQ(*Member(client.Ask(line), "error")->AsString(), "bad-argument") << line;
  }
  EXPECT_TRUE(Member(client.Ask(R"({"op":"plan","hz":10000000,"vco":-1})"), "plan")
                  ->Find("choice")
                  ->IsNull());
  service_.Stop();
  EXPECT_TRUE(ChangesSince(*polled_).empty());
}

TEST_F(ControlRequestsTest, TheCsvRowsGoOnAfterAClientHungUpHoldingItsSubscriptionAndLease) {
  {
    ControlClient client(path_ + ".ro");
    ASSERT_TRUE(Member(client.Ask(R"({"op":"subscribe","serial":"G60031"})"), "ok"));
    EXPECT_TRUE(Member(client.Ask(R"({"op":"messages","serial":"G60031","on":false})"), "ok"));
  }
  // NAV-CLOCK still comes, so the rows go on.
  const std::size_t rows = CsvRows();
  EXPECT_TRUE(WaitUntil([&] { return CsvRows() > rows + 1; }));
}

TEST_F(ControlRequestsTest, ASleepingClockIsGoneAndBackAndANewSerialIsServed) {
  ControlClient watcher(path_ + ".ro");
  ASSERT_TRUE(Member(watcher.Ask(R"({"op":"subscribe","serial":"G60031"})"), "ok"));
  ControlClient client(path_);
  EXPECT_TRUE(Member(client.Ask(R"({"op":"sleep","serial":"G60031"})"), "ok"));
  const auto wait_for_event = [&](const char* name) {
    return WaitUntil([&] {
      const auto event = Member(watcher.ReadLine(), "event");
      return event && *event->AsString() == name;
    });
  };
  EXPECT_TRUE(wait_for_event("gone"));
  polled_->Replug();  // wakes it
  EXPECT_TRUE(wait_for_event("back"));
  EXPECT_TRUE(WaitUntil([&] {  // once the service has seen it back
    const auto ok =
        Member(client.Ask(R"({"op":"serial","serial":"G60031","new_serial":"G60039"})"), "ok");
    return ok && *ok->AsBool();
  }));
  EXPECT_TRUE(wait_for_event("gone"));
  EXPECT_TRUE(WaitUntil([&] {
    return Member(client.Ask(R"({"op":"readback","serial":"G60039"})"), "configuration")
        .has_value();
  }));
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
