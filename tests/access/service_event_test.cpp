#include "access/service_event.h"

#include <gtest/gtest.h>

#include "device/monotonic_clock.h"

namespace orvane {
namespace {

JsonValue Line(const std::string& text) {
  const JsonParseResult parsed = ParseJson(text);
  EXPECT_TRUE(parsed.value) << parsed.error;
  return parsed.value.value_or(JsonValue{});
}

// A poll with reports: FeedsTheTelemetry below.
TEST(ServiceEvent, DecodesEveryKindAndRefusesWhatIsOff) {
  const std::optional<ServiceEvent> quiet = DecodeServiceEvent(
      Line(R"({"event":"poll","serial":"G60031","outcome":"nothing-yet","status":null,)"
           R"("pll_reference":null,"reports":[]})"));
  ASSERT_TRUE(quiet);
  EXPECT_EQ(quiet->poll.outcome, PollOutcome::kNothingYet);
  EXPECT_FALSE(quiet->poll.status);
  EXPECT_EQ(DecodeServiceEvent(Line(R"({"event":"gone","serial":"G60031"})"))->kind,
            ServiceEvent::Kind::kGone);
  EXPECT_EQ(DecodeServiceEvent(Line(R"({"event":"back","serial":"G60031"})"))->kind,
            ServiceEvent::Kind::kBack);

  const std::string head = R"({"event":"poll","serial":"G60031","outcome":"reports",)";
  const std::string nothing = R"("status":null,"pll_reference":null,)";
  for (const std::string& off : {
           std::string(R"({"id":1,"ok":true})"),                  // a reply
           std::string(R"({"event":"tick","serial":"G60031"})"),  // unknown event
           std::string(R"({"event":"gone"})"),                    // no serial
           head + nothing + R"("reports":[{"realtime_ns":1,"monotonic_ns":1,"stream":"b56"}]})",
           head + nothing + R"("reports":[{"realtime_ns":1,"monotonic_ns":1,"stream":"B562"}]})",
           head + nothing + R"("reports":[{"realtime_ns":1.5,"monotonic_ns":1,"stream":""}]})",
           head + R"("status":{"signal_loss_count":256,"no_gnss_signal":false,)"
                  R"("pll_not_locked":false},"pll_reference":null,"reports":[]})",
           head + R"("status":null,"pll_reference":{"count1":-1,"count2":0},"reports":[]})",
           std::string(R"({"event":"poll","serial":"G60031","outcome":"busy",)") + nothing +
               R"("reports":[]})",
           head + R"("status":null,"pll_reference":null})",  // no reports
       }) {
    EXPECT_FALSE(DecodeServiceEvent(Line(off))) << off;
  }
}

TEST(ServiceEvent, FeedsTheTelemetryAsTheSessionsPollDoes) {
  ManualClock clock;
  TraceLog trace(nullptr, clock);
  const std::string serial = "G60031";
  Telemetry telemetry(trace, serial);
  // A NAV-CLOCK frame whose drift is -42 ppb, cut across two reports as the device slices its
  // stream.
  const std::optional<ServiceEvent> event = DecodeServiceEvent(Line(
      R"({"event":"poll","serial":"G60031","outcome":"reports",)"
      R"("status":{"signal_loss_count":1,"no_gnss_signal":false,"pll_not_locked":false},)"
      R"("pll_reference":{"count1":7,"count2":8},"reports":[)"
      R"({"realtime_ns":1000,"monotonic_ns":10,"stream":"b5620122140000000000"},)"
      R"({"realtime_ns":1796558400123456789,"monotonic_ns":20,"stream":"00000000d6ffffff00000000000000000ac8"}]})"));
  ASSERT_TRUE(event);
  EXPECT_EQ(event->kind, ServiceEvent::Kind::kPoll);
  EXPECT_EQ(event->serial, "G60031");
  const PollResult result = TakePollEvent(event->poll, telemetry, {});
  EXPECT_EQ(result.outcome, PollOutcome::kReports);
  EXPECT_EQ(result.frames, 1u);
  ASSERT_TRUE(telemetry.nav_clock());
  EXPECT_EQ(telemetry.nav_clock()->received.monotonic, std::chrono::nanoseconds(20));
  // Beyond the 53 bits of a double: every nanosecond kept.
  EXPECT_EQ(telemetry.nav_clock()->received.realtime.time_since_epoch(),
            std::chrono::nanoseconds(1796558400123456789));
  EXPECT_TRUE(telemetry.pll_locked());
  EXPECT_EQ(telemetry.pll_reference(), (PllReferenceCounts{7, 8}));
  EXPECT_EQ(telemetry.latest_clock_drift_ppb(), -42);
}

}  // namespace
}  // namespace orvane
