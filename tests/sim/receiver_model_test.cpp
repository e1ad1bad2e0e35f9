#include "sim/receiver_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "protocol/byte_order.h"
#include "protocol/ubx_checksum.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr std::uint8_t kPvt = 0x07;
constexpr std::uint8_t kTimeUtc = 0x21;
constexpr std::uint8_t kClock = 0x22;
constexpr std::uint8_t kSvInfo = 0x30;

struct Frame {
  std::uint8_t msg_id;
  std::vector<std::uint8_t> payload;
  std::uint32_t Itow() const { return static_cast<std::uint32_t>(ReadI32(payload, 0)); }
};

// The NAV frames of a stream that must hold nothing but whole UBX frames with good checksums.
std::vector<Frame> NavFrames(const std::vector<std::uint8_t>& bytes, std::uint8_t msg_id) {
  std::vector<Frame> frames;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::span<const std::uint8_t> rest = std::span(bytes).subspan(at);
    const std::size_t length = rest.size() < 8 ? 0 : ReadU16(rest, 4);
    if (rest.size() < 8 || rest[0] != 0xB5 || rest[1] != 0x62 || rest.size() < length + 8) {
      ADD_FAILURE() << "no whole frame at byte " << at;
      break;
    }
    UbxChecksumState checksum;
    checksum.Add(rest.subspan(2, length + 4));
    EXPECT_EQ(rest[6 + length], checksum.ck_a) << "frame at byte " << at;
    EXPECT_EQ(rest[7 + length], checksum.ck_b) << "frame at byte " << at;
    if (rest[2] == 0x01 && rest[3] == msg_id) {
      frames.push_back({rest[3], {rest.begin() + 6, rest.begin() + 6 + length}});
    }
    at += length + 8;
  }
  return frames;
}

void SetRate(ReceiverModel& model, std::uint8_t msg_id, std::uint8_t rate) {
  const std::uint8_t cfg_msg[] = {0x01, msg_id, rate, 0, 0, 0, 0, 0};
  model.Receive(0x06, 0x01, cfg_msg);
}

// Power-up at 2024-02-29 23:59:58.600 UTC: solutions fall 150 ms later and every 250 ms on, and
// the first seconds cross midnight into March of a leap year.
const ReceiverModel::UtcTime kPowerUp =
    ReceiverModel::UtcTime(std::chrono::sys_days(std::chrono::year(2024) / 2 / 29)) + 23h + 59min +
    58s + 600ms;

class ReceiverModelTest : public ::testing::Test {
 protected:
  std::vector<Frame> EmitUntil(nanoseconds t, std::uint8_t msg_id) {
    std::vector<std::uint8_t> bytes;
    model_.EmitUntil(t, bytes);
    return NavFrames(bytes, msg_id);
  }

  ReceiverModel model_{7, kPowerUp};
};

TEST_F(ReceiverModelTest, TimeUtcMarksEveryWholeSecondAndTurnsValidWithTheSignal) {
  const std::vector<Frame> utc = EmitUntil(6s, kTimeUtc);
  const char* expected[] = {"2024-02-29 23:59:59", "2024-03-01 00:00:00", "2024-03-01 00:00:01",
                            "2024-03-01 00:00:02", "2024-03-01 00:00:03", "2024-03-01 00:00:04"};
  ASSERT_EQ(utc.size(), std::size(expected));
  for (std::size_t i = 0; i < utc.size(); ++i) {
    const std::vector<std::uint8_t>& p = utc[i].payload;
    ASSERT_EQ(p.size(), 20u);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", ReadU16(p, 12), p[14], p[15],
                  p[16], p[17], p[18]);
    EXPECT_EQ(std::string(text), expected[i]);
    // Thursday 23:59:59 UTC is 18 leap seconds later in GPS time.
    EXPECT_EQ(utc[i].Itow(), 432017000u + 1000u * i);
    EXPECT_LT(std::abs(ReadI32(p, 8)), 1000);
    // Sent at 0.4 s, 1.4 s, ...: the signal comes after 3 s.
    EXPECT_TRUE(i >= 3 ? p[19] == 0x07 : !(p[19] & 0x04)) << i;
  }
}

TEST_F(ReceiverModelTest, SatellitesAreUsedOnlyOnceTheSignalIsThere) {
  EXPECT_FALSE(model_.HasSignal(2900ms));
  EXPECT_TRUE(model_.HasSignal(3100ms));
  SetRate(model_, kSvInfo, 1);
  std::vector<std::uint8_t> bytes;
  model_.EmitUntil(6s, bytes);
  for (const std::uint8_t msg_id : {kPvt, kSvInfo}) {
    for (const Frame& f : NavFrames(bytes, msg_id)) {
      // The first solution, 0.15 s after power-up, has iTOW 432016750; the signal is there at 3 s.
      const bool signal = f.Itow() >= 432016750u + 3000u;
      if (msg_id == kPvt) {
        ASSERT_EQ(f.payload.size(), 92u);
        EXPECT_EQ(f.payload[20], signal ? 3 : 0) << "fixType at iTOW " << f.Itow();
        EXPECT_EQ(f.payload[23] >= 4, signal) << "numSV at iTOW " << f.Itow();
        continue;
      }
      const std::size_t channels = f.payload[4];
      EXPECT_GE(channels, 8u);
      ASSERT_EQ(f.payload.size(), 8 + 12 * channels);
      std::set<int> svids;
      for (std::size_t n = 0; n < channels; ++n) {
        const std::uint8_t* block = &f.payload[8 + 12 * n];
        EXPECT_EQ(block[0], n);
        svids.insert(block[1]);
        EXPECT_TRUE(signal || !(block[2] & 0x01)) << "used without a signal";
        if (signal) EXPECT_TRUE(block[4] >= 20 && block[4] <= 50) << int{block[4]};
      }
      EXPECT_EQ(svids.size(), channels);
      EXPECT_TRUE(*svids.begin() >= 1 && *svids.rbegin() <= 32);
    }
  }
}

TEST_F(ReceiverModelTest, CfgMsgSetsHowOftenTheMessageComes) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> payload;
    std::uint8_t msg_id;
    int spacing_ms;  // 0: the message stays off
  } cases[] = {{"every tenth", {0x01, 0x30, 10, 0, 0, 0, 0, 0}, kSvInfo, 2500},
               {"short form", {0x01, 0x22, 4}, kClock, 1000},
               {"every solution", {0x01, 0x22, 1, 0, 0, 0, 0, 0}, kClock, 250},
               {"other ports", {0x01, 0x30, 0, 1, 1, 1, 1, 1}, kSvInfo, 0},
               {"other message", {0x01, 0x35, 1}, kSvInfo, 0},
               {"truncated", {0x01, 0x30}, kSvInfo, 0}};
  for (const auto& c : cases) {
    ReceiverModel model(7, kPowerUp);
    model.Receive(0x06, 0x01, c.payload);
    std::vector<std::uint8_t> bytes;
    model.EmitUntil(20s, bytes);
    const std::vector<Frame> frames = NavFrames(bytes, c.msg_id);
    EXPECT_NEAR(frames.size(), c.spacing_ms ? 20000.0 / c.spacing_ms : 0, c.spacing_ms ? 1 : 0)
        << c.name;
    for (std::size_t i = 1; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].Itow() - frames[i - 1].Itow(), std::uint32_t(c.spacing_ms)) << c.name;
    }
  }
  // Rate 0 stops a message and leaves the others.
  SetRate(model_, kSvInfo, 10);
  SetRate(model_, kClock, 10);
  EXPECT_EQ(EmitUntil(10s, kSvInfo).size(), 4u);
  SetRate(model_, kSvInfo, 0);
  std::vector<std::uint8_t> later;
  model_.EmitUntil(30s, later);
  EXPECT_TRUE(NavFrames(later, kSvInfo).empty());
  EXPECT_EQ(NavFrames(later, kClock).size(), 8u);
}

TEST_F(ReceiverModelTest, ClockDriftWandersSlowlyAroundAFewHundredPpb) {
  SetRate(model_, kClock, 1);
  double lowest = 0, highest = -1000, previous = model_.ClockDriftPpb(0s);
  // Called at each solution's own time: one solution per call, its clkD the modelled drift.
  for (nanoseconds t = 150ms; t < 10min; t += 250ms) {
    const std::vector<Frame> clock = EmitUntil(t, kClock);
    ASSERT_EQ(clock.size(), 1u) << t.count();
    ASSERT_EQ(clock[0].payload.size(), 20u);
    const double drift = model_.ClockDriftPpb(t);
    EXPECT_EQ(ReadI32(clock[0].payload, 8), std::lround(drift));
    if (model_.HasSignal(t)) EXPECT_LT(ReadI32(clock[0].payload, 16), 10000) << "fAcc, ps/s";
    EXPECT_LT(std::abs(drift - previous), 1.0);
    previous = drift;
    lowest = std::min(lowest, drift);
    highest = std::max(highest, drift);
  }
  EXPECT_GT(lowest, -500);
  EXPECT_LT(highest, -100);
  EXPECT_GT(highest - lowest, 5) << "the drift should wander, not stand still";
}

TEST_F(ReceiverModelTest, SignalStrengthsDriftSlowlyAndSatellitesComeAndGo) {
  SetRate(model_, kSvInfo, 4);
  const std::vector<Frame> svinfo = EmitUntil(30min, kSvInfo);
  ASSERT_GT(svinfo.size(), 1000u);
  int use_changes = 0;
  for (std::size_t i = 5; i < svinfo.size(); ++i) {
    for (std::size_t n = 0; n < svinfo[i].payload[4]; ++n) {
      const std::uint8_t* now = &svinfo[i].payload[8 + 12 * n];
      const std::uint8_t* before = &svinfo[i - 1].payload[8 + 12 * n];
      EXPECT_LE(std::abs(now[4] - before[4]), 3) << "channel " << n << " a second apart";
      use_changes += (now[2] & 1) != (before[2] & 1);
    }
  }
  EXPECT_GT(use_changes, 0);
}

TEST(ReceiverModel, SameSeedGivesTheSameStreamHoweverItIsPolled) {
  auto run = [](std::uint64_t seed, nanoseconds step) {
    ReceiverModel model(seed, kPowerUp);
    SetRate(model, kSvInfo, 10);
    SetRate(model, kClock, 10);
    std::vector<std::uint8_t> bytes;
    for (nanoseconds t = step; t <= 60s; t += step) model.EmitUntil(t, bytes);
    return bytes;
  };
  const std::vector<std::uint8_t> at_once = run(1, 60s);
  EXPECT_EQ(run(1, 50ms), at_once);
  EXPECT_NE(run(2, 60s), at_once);
}

}  // namespace
}  // namespace orvane
