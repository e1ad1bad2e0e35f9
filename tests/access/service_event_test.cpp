#include "access/service_event.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "device/monotonic_clock.h"
#include "protocol/ubx_frame.h"
#include "protocol/ubx_ids.h"

namespace orvane {
namespace {

JsonValue Line(const std::string& text) {
  const JsonParseResult parsed = ParseJson(text);
  EXPECT_TRUE(parsed.value) << parsed.error;
  return parsed.value.value_or(JsonValue{});
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string hex;
  for (const std::uint8_t byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += digits;
  }
  return hex;
}

// A NAV-CLOCK frame whose drift is `clk_d` ppb.
std::vector<std::uint8_t> NavClockFrame(std::int32_t clk_d) {
  std::vector<std::uint8_t> payload(20, 0);
  for (int i = 0; i < 4; ++i) payload[8 + i] = static_cast<std::uint8_t>(clk_d >> (8 * i));
  std::vector<std::uint8_t> frame;
  AppendUbxFrame(kUbxClassNav, kUbxIdNavClock, payload, frame);
  return frame;
}

TEST(ServiceEvent, DecodesEveryKindAndRefusesWhatIsOff) {
  const std::optional<ServiceEvent> poll = DecodeServiceEvent(Line(
      R"({"event":"poll","serial":"G60031","outcome":"reports",)"
      R"("status":{"signal_loss_count":3,"no_gnss_signal":false,"pll_not_locked":true},)"
      R"("pll_reference":{"count1":10000000,"count2":10000002},)"
      R"("reports":[{"realtime_ns":1796558400123456789,"monotonic_ns":5,"stream":"b5620aff"}]})"));
  ASSERT_TRUE(poll);
  EXPECT_EQ(poll->kind, ServiceEvent::Kind::kPoll);
  EXPECT_EQ(poll->serial, "G60031");
  EXPECT_EQ(poll->poll.outcome, PollOutcome::kReports);
  EXPECT_EQ(poll->poll.status, (ReportStatus{3, false, true}));
  EXPECT_EQ(poll->poll.pll_reference, (PllReferenceCounts{10000000, 10000002}));
  ASSERT_EQ(poll->poll.reports.size(), 1u);
  EXPECT_EQ(poll->poll.reports[0].stream, (std::vector<std::uint8_t>{0xb5, 0x62, 0x0a, 0xff}));
  EXPECT_EQ(poll->poll.reports[0].received.monotonic, std::chrono::nanoseconds(5));
  EXPECT_EQ(poll->poll.reports[0].received.realtime.time_since_epoch(),
            std::chrono::nanoseconds(1796558400123456789));

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
  const std::vector<std::uint8_t> frame = NavClockFrame(-42);
  // The frame cut across two reports, as the device slices its stream.
  const std::vector<std::uint8_t> first(frame.begin(), frame.begin() + 10);
  const std::vector<std::uint8_t> second(frame.begin() + 10, frame.end());
  const std::optional<ServiceEvent> event = DecodeServiceEvent(
      Line(R"({"event":"poll","serial":"G60031","outcome":"reports",)"
           R"("status":{"signal_loss_count":1,"no_gnss_signal":false,"pll_not_locked":false},)"
           R"("pll_reference":{"count1":7,"count2":8},"reports":[)"
           R"({"realtime_ns":1000,"monotonic_ns":10,"stream":")" +
           Hex(first) + R"("},{"realtime_ns":2000,"monotonic_ns":20,"stream":")" + Hex(second) +
           R"("}]})"));
  ASSERT_TRUE(event);
  std::size_t stream_bytes = 0;
  std::vector<std::int32_t> drifts;
  PollListener listener;
  listener.stream = [&](std::span<const std::uint8_t> bytes, const ReceiveTime&) {
    stream_bytes += bytes.size();
  };
  listener.message = [&](const UbxMessage& message) {
    if (message.nav_clock) drifts.push_back(message.nav_clock->clk_d);
  };
  const PollResult result = TakePollEvent(event->poll, telemetry, listener);
  EXPECT_EQ(result.outcome, PollOutcome::kReports);
  EXPECT_EQ(result.frames, 1u);
  EXPECT_EQ(stream_bytes, frame.size());
  EXPECT_EQ(drifts, std::vector<std::int32_t>{-42});
  ASSERT_TRUE(telemetry.nav_clock());
  EXPECT_EQ(telemetry.nav_clock()->received.monotonic, std::chrono::nanoseconds(20));
  EXPECT_TRUE(telemetry.pll_locked());
  EXPECT_EQ(telemetry.pll_reference(), (PllReferenceCounts{7, 8}));
  EXPECT_EQ(telemetry.latest_clock_drift_ppb(), -42);
}

}  // namespace
}  // namespace orvane
