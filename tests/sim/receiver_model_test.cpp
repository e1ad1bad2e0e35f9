#include "sim/receiver_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

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
  std::uint8_t msg_class;
  std::uint8_t msg_id;
  std::vector<std::uint8_t> payload;

  std::uint32_t U4(std::size_t at) const {
    return payload[at] | payload[at + 1] << 8 | payload[at + 2] << 16 |
           static_cast<std::uint32_t>(payload[at + 3]) << 24;
  }
  std::int32_t I4(std::size_t at) const { return static_cast<std::int32_t>(U4(at)); }
  std::uint16_t U2(std::size_t at) const { return payload[at] | payload[at + 1] << 8; }
};

// Cuts a stream that must hold nothing but whole UBX frames, checking every checksum.
std::vector<Frame> SplitFrames(const std::vector<std::uint8_t>& bytes) {
  std::vector<Frame> frames;
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8 || bytes[at] != 0xB5 || bytes[at + 1] != 0x62) {
      ADD_FAILURE() << "no frame starts at byte " << at;
      break;
    }
    const std::size_t length = bytes[at + 4] | bytes[at + 5] << 8;
    if (bytes.size() - at < length + 8) {
      ADD_FAILURE() << "the frame at byte " << at << " runs past the end";
      break;
    }
    UbxChecksumState checksum;
    checksum.Add(std::span(bytes).subspan(at + 2, length + 4));
    EXPECT_EQ(bytes[at + 6 + length], checksum.ck_a) << "frame at byte " << at;
    EXPECT_EQ(bytes[at + 7 + length], checksum.ck_b) << "frame at byte " << at;
    const auto payload = bytes.begin() + static_cast<std::ptrdiff_t>(at + 6);
    frames.push_back({bytes[at + 2], bytes[at + 3], {payload, payload + length}});
    at += length + 8;
  }
  return frames;
}

std::vector<Frame> Only(const std::vector<Frame>& frames, std::uint8_t msg_id) {
  std::vector<Frame> chosen;
  std::copy_if(frames.begin(), frames.end(), std::back_inserter(chosen),
               [&](const Frame& f) { return f.msg_class == 0x01 && f.msg_id == msg_id; });
  return chosen;
}

void SetRate(ReceiverModel& model, std::uint8_t msg_id, std::uint8_t rate) {
  const std::uint8_t cfg_msg[] = {0x01, msg_id, rate, 0, 0, 0, 0, 0};
  model.Receive(0x06, 0x01, cfg_msg);
}

// Power-up at 2024-02-29 23:59:58.600 UTC: solutions fall 150 ms later and every 250 ms on, and
// the first seconds cross midnight into March of a leap year.
class ReceiverModelTest : public ::testing::Test {
 protected:
  static constexpr nanoseconds kFirstSolution = 150ms;

  std::vector<Frame> EmitUntil(nanoseconds t) {
    std::vector<std::uint8_t> bytes;
    model_.EmitUntil(t, bytes);
    return SplitFrames(bytes);
  }

  ReceiverModel model_{
      7, ReceiverModel::UtcTime(std::chrono::sys_days(std::chrono::year(2024) / 2 / 29)) + 23h +
             59min + 58s + 600ms};
};

TEST_F(ReceiverModelTest, TimeUtcMarksEveryWholeSecondAndTurnsValidWithTheSignal) {
  const std::vector<Frame> utc = Only(EmitUntil(6s), kTimeUtc);
  const std::vector<std::string> expected = {"2024-02-29 23:59:59", "2024-03-01 00:00:00",
                                             "2024-03-01 00:00:01", "2024-03-01 00:00:02",
                                             "2024-03-01 00:00:03", "2024-03-01 00:00:04"};
  ASSERT_EQ(utc.size(), expected.size());
  for (std::size_t i = 0; i < utc.size(); ++i) {
    const Frame& f = utc[i];
    ASSERT_EQ(f.payload.size(), 20u);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", f.U2(12), f.payload[14],
                  f.payload[15], f.payload[16], f.payload[17], f.payload[18]);
    EXPECT_EQ(text, expected[i]);
    // Thursday 23:59:59 UTC is 18 leap seconds later in GPS time.
    EXPECT_EQ(f.U4(0), 432017000u + 1000u * i);
    EXPECT_LT(std::abs(f.I4(8)), 1000);
    // Sent at 0.4 s, 1.4 s, ...: the signal comes after 3 s.
    const bool signal = i >= 3;
    EXPECT_EQ((f.payload[19] & 0x04) != 0, signal) << i;
    if (signal) {
      EXPECT_EQ(f.payload[19], 0x07);
    }
  }
}

TEST_F(ReceiverModelTest, SatellitesAreUsedOnlyOnceTheSignalIsThere) {
  EXPECT_FALSE(model_.HasSignal(0s));
  EXPECT_FALSE(model_.HasSignal(2900ms));
  EXPECT_TRUE(model_.HasSignal(3100ms));
  SetRate(model_, kSvInfo, 1);
  const std::vector<Frame> frames = EmitUntil(6s);
  for (const Frame& f : frames) {
    // The first solution, 0.15 s after power-up, has iTOW 432016750; the signal is there at 3 s.
    const bool signal = f.U4(0) >= 432016750u + 3000u;
    if (f.msg_id == kPvt) {
      ASSERT_EQ(f.payload.size(), 92u);
      EXPECT_EQ(f.payload[20], signal ? 3 : 0) << "fixType at iTOW " << f.U4(0);
      EXPECT_EQ(f.payload[23] >= 4, signal) << "numSV at iTOW " << f.U4(0);
    }
    if (f.msg_id != kSvInfo) continue;
    const std::size_t channels = f.payload[4];
    EXPECT_GE(channels, 8u);
    ASSERT_EQ(f.payload.size(), 8 + 12 * channels);
    std::set<int> svids;
    for (std::size_t n = 0; n < channels; ++n) {
      const std::uint8_t* block = &f.payload[8 + 12 * n];
      EXPECT_EQ(block[0], n);
      svids.insert(block[1]);
      const bool used = block[2] & 0x01;
      if (signal) {
        EXPECT_GE(block[4], 20);
        EXPECT_LE(block[4], 50);
      } else {
        EXPECT_FALSE(used);
      }
      if (used) {
        EXPECT_GT(block[4], 0);
      }
    }
    EXPECT_EQ(svids.size(), channels);
    EXPECT_GE(*svids.begin(), 1);
    EXPECT_LE(*svids.rbegin(), 32);
  }
}

struct RateCase {
  const char* name;
  std::vector<std::uint8_t> payload;
  std::uint8_t msg_id;
  int spacing_ms;  // 0: the message stays off
};

class ReceiverModelRateTest : public ReceiverModelTest,
                              public ::testing::WithParamInterface<RateCase> {};

TEST_P(ReceiverModelRateTest, CfgMsgSetsHowOftenTheMessageComes) {
  model_.Receive(0x06, 0x01, GetParam().payload);
  const std::vector<Frame> frames = Only(EmitUntil(20s), GetParam().msg_id);
  const int spacing = GetParam().spacing_ms;
  if (spacing == 0) {
    EXPECT_TRUE(frames.empty());
    return;
  }
  EXPECT_NEAR(static_cast<double>(frames.size()), 20000.0 / spacing, 1.0);
  for (std::size_t i = 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].U4(0) - frames[i - 1].U4(0), static_cast<std::uint32_t>(spacing));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, ReceiverModelRateTest,
    ::testing::Values(RateCase{"SvInfoEveryTenth", {0x01, 0x30, 10, 0, 0, 0, 0, 0}, kSvInfo, 2500},
                      RateCase{"ClockShortForm", {0x01, 0x22, 4}, kClock, 1000},
                      RateCase{"ClockEverySolution", {0x01, 0x22, 1, 0, 0, 0, 0, 0}, kClock, 250},
                      RateCase{"OtherPortsDoNotCount", {0x01, 0x30, 0, 1, 1, 1, 1, 1}, kSvInfo, 0},
                      RateCase{"OtherMessageLeavesSvInfoOff", {0x01, 0x35, 1}, kSvInfo, 0},
                      RateCase{"TruncatedPayloadIgnored", {0x01, 0x30}, kSvInfo, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiverModelTest, RateZeroStopsTheMessage) {
  SetRate(model_, kSvInfo, 10);
  SetRate(model_, kClock, 10);
  EXPECT_EQ(Only(EmitUntil(10s), kSvInfo).size(), 4u);
  SetRate(model_, kSvInfo, 0);
  const std::vector<Frame> later = EmitUntil(30s);
  EXPECT_TRUE(Only(later, kSvInfo).empty());
  EXPECT_EQ(Only(later, kClock).size(), 8u);
}

TEST_F(ReceiverModelTest, ClockDriftWandersSlowlyAroundAFewHundredPpb) {
  SetRate(model_, kClock, 1);
  double lowest = 0;
  double highest = -1000;
  double previous = model_.ClockDriftPpb(0s);
  // Called at each solution's own time: one solution per call, its clkD the modelled drift.
  for (nanoseconds t = kFirstSolution; t < 10min; t += 250ms) {
    const std::vector<Frame> frames = EmitUntil(t);
    ASSERT_EQ(Only(frames, kPvt).size(), 1u) << t.count();
    const std::vector<Frame> clock = Only(frames, kClock);
    ASSERT_EQ(clock.size(), 1u);
    ASSERT_EQ(clock[0].payload.size(), 20u);
    const double drift = model_.ClockDriftPpb(t);
    EXPECT_EQ(clock[0].I4(8), std::lround(drift));
    if (model_.HasSignal(t)) {
      EXPECT_LT(clock[0].I4(16), 10000) << "fAcc, ps/s";
    }
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
  const std::vector<Frame> svinfo = Only(EmitUntil(30min), kSvInfo);
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
  const auto start = ReceiverModel::UtcTime(std::chrono::sys_days(std::chrono::year(2025) / 6 / 1));
  auto run = [&](std::uint64_t seed, nanoseconds step) {
    ReceiverModel model(seed, start);
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
