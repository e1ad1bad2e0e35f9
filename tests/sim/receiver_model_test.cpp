// The receivers a simulated clock can carry: the modelled one and a recorded capture replayed.
#include "sim/receiver_model.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/ubx_parser.h"
#include "protocol/byte_order.h"
#include "sim/capture_replay.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

using namespace std::chrono_literals;

// The payloads of the NAV frames `msg_id` in a stream that must hold nothing but whole UBX frames
// with good checksums: the parser delivers only those.
std::vector<Bytes> NavPayloads(const Bytes& bytes, std::uint8_t msg_id) {
  std::vector<Bytes> payloads;
  std::size_t framed = 0;
  UbxParser parser([&](const UbxFrame& frame) {
    framed += frame.payload.size() + 8;
    if (frame.msg_class == 0x01 && frame.msg_id == msg_id) {
      payloads.emplace_back(frame.payload.begin(), frame.payload.end());
    }
  });
  parser.Parse(bytes);
  EXPECT_EQ(framed, bytes.size());
  return payloads;
}

// The stream of a receiver with `seed` after `cfg_msgs`, polled every `step` for 20 s.
Bytes Stream(std::uint64_t seed, const std::vector<Bytes>& cfg_msgs,
             std::chrono::nanoseconds step) {
  using namespace std::chrono;
  ReceiverModel model(seed, ReceiverModel::UtcTime(sys_days(2024y / February / 29)) + 23h + 59min);
  for (const Bytes& cfg_msg : cfg_msgs) model.Receive(0x06, 0x01, cfg_msg);
  Bytes bytes;
  for (nanoseconds t = step; t <= 20s; t += step) model.EmitUntil(t, bytes);
  return bytes;
}

TEST(ReceiverModel, SendsWholeFramesAtTheRateCfgMsgSetsHoweverItIsPolled) {
  const struct {
    const char* name;
    std::vector<Bytes> cfg_msgs;
    std::uint8_t msg_id;
    int spacing_ms;  // 0: the message stays off
  } cases[] = {{"every tenth", {{0x01, 0x30, 10, 0, 0, 0, 0, 0}}, 0x30, 2500},
               {"short form", {{0x01, 0x22, 4}}, 0x22, 1000},
               {"other ports", {{0x01, 0x30, 0, 1, 1, 1, 1, 1}}, 0x30, 0},
               {"truncated", {{0x01, 0x30}}, 0x30, 0},
               {"switched off", {{0x01, 0x30, 10}, {0x01, 0x30, 0}}, 0x30, 0},
               {"another switched off", {{0x01, 0x22, 4}, {0x01, 0x30, 0}}, 0x22, 1000}};
  for (const auto& c : cases) {
    const Bytes bytes = Stream(7, c.cfg_msgs, 20s);
    EXPECT_EQ(Stream(7, c.cfg_msgs, 50ms), bytes) << c.name;
    std::vector<std::int32_t> itows;
    for (const Bytes& payload : NavPayloads(bytes, c.msg_id)) itows.push_back(ReadI32(payload, 0));
    EXPECT_NEAR(itows.size(), c.spacing_ms ? 20000.0 / c.spacing_ms : 0, c.spacing_ms ? 1 : 0)
        << c.name;
    for (std::size_t i = 1; i < itows.size(); ++i) {
      EXPECT_EQ(itows[i] - itows[i - 1], c.spacing_ms) << c.name;
    }
  }
}

TEST(ReceiverModel, ScenariosPlayOutageRolloverLeapSecondsAndMissingTime) {
  using namespace std::chrono;
  const ReceiverModel::UtcTime start(sys_days(2026y / December / 31));
  // NAV-TIMEUTC and NAV-TIMELS on, as the service asks; 100 s of each scenario.
  const auto run = [&](SimScenario scenario) {
    ReceiverModel model(3, start, scenario);
    for (const Bytes& rate : {Bytes{0x01, 0x21, 4}, Bytes{0x01, 0x26, 40}}) {
      model.Receive(0x06, 0x01, rate);
    }
    Bytes bytes;
    model.EmitUntil(100s, bytes);
    return std::pair(NavPayloads(bytes, 0x21), NavPayloads(bytes, 0x26));
  };
  const auto [times, leaps] = run(SimScenario::kNone);
  ASSERT_EQ(times.size(), 101u);
  EXPECT_EQ(leaps.size(), 11u);
  EXPECT_EQ(leaps[0][11], 0);     // no change announced
  EXPECT_EQ(leaps[0][23], 0x01);  // the current count valid, no event time
  EXPECT_TRUE(run(SimScenario::kNoTimeUtc).first.empty());

  const auto [outage, _] = run(SimScenario::kOutage);
  ReceiverModel model(3, start, SimScenario::kOutage);
  for (const auto& [second, signal] : {std::pair(29, true), {30, false}, {89, false}, {90, true}}) {
    EXPECT_EQ(model.HasSignal(seconds(second)), signal) << second;
    // Free-running, the receiver keeps UTC valid while its time accuracy estimate grows.
    EXPECT_EQ(outage[second][19], 0x07) << second;
    EXPECT_EQ(ReadI32(outage[second], 4) > 100'000, second == 89) << second;
  }

  const auto [rolled, __] = run(SimScenario::kRollover);
  const year_month_day early{floor<days>(start) - days(7168)};
  EXPECT_EQ(ReadU16(rolled[10], 12), int{early.year()});
  EXPECT_EQ(rolled[10][14], unsigned{early.month()});
  EXPECT_EQ(rolled[10][15], unsigned{early.day()});

  for (const auto& [scenario, change] :
       {std::pair(SimScenario::kLeapInsert, 1), {SimScenario::kLeapDelete, -1}}) {
    const auto [___, announced] = run(scenario);
    EXPECT_EQ(static_cast<std::int8_t>(announced[0][11]), change);
    EXPECT_EQ(announced[0][23], 0x03);
    EXPECT_EQ(ReadI32(announced[0], 12), 86400);  // from 00:00:00 to the next midnight
    EXPECT_EQ(ReadI32(announced[1], 12), 86390);
  }
}

TEST(CaptureReplay, ReplaysARecordedCaptureLoopingAtTheSerialLinkPace) {
  std::string error;
  const auto recorded = LoadCaptureFile(ORVANE_UBX_CAPTURES_DIR "/gpsd_navisys-gr701w.log", error);
  ASSERT_TRUE(recorded) << error;
  ASSERT_EQ(recorded->size(), 33434u);
  CaptureReplay replay(*recorded);
  std::vector<std::uint8_t> out;
  // A millisecond is 11.52 bytes: polling often must not round the pace down.
  for (std::chrono::nanoseconds t = 1ms; t <= 4s; t += 1ms) replay.EmitUntil(t, out);
  ASSERT_EQ(out.size(), 4u * 11520);
  for (std::size_t i = 0; i < out.size(); ++i) {
    ASSERT_EQ(out[i], (*recorded)[i % recorded->size()]) << "byte " << i;
  }
}

TEST(CaptureReplay, AnEmptyCaptureEmitsNothingAndMissingOrEmptyFilesAreRefused) {
  CaptureReplay replay({});
  std::vector<std::uint8_t> out;
  replay.EmitUntil(10s, out);
  EXPECT_TRUE(out.empty());
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / "capture_replay_test";
  std::filesystem::create_directories(folder);
  std::ofstream{folder / "empty.ubx"};
  for (const std::filesystem::path& path : {folder / "missing.ubx", folder / "empty.ubx"}) {
    std::string error;
    EXPECT_FALSE(LoadCaptureFile(path, error)) << path;
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orvane
