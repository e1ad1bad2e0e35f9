#include "engine/ubx_messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/label20_caption.h"
#include "engine/ubx_trace.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutI4(Bytes& payload, std::size_t offset, std::int32_t value) {
  for (int i = 0; i < 4; ++i) payload[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes NavClockPayload(std::int32_t clk_d, std::int32_t f_acc) {
  Bytes payload(20, 0);
  PutI4(payload, 8, clk_d);
  PutI4(payload, 16, f_acc);
  return payload;
}

Bytes NavTimeUtcPayload(std::int32_t nano, std::uint8_t valid) {
  Bytes payload = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE9, 0x07, 3, 9, 14, 5, 7, valid};
  PutI4(payload, 8, nano);
  return payload;
}

// Two channel blocks: chn 3 used with cno 40, chn 255 (no channel) unused with cno 0.
Bytes NavSvInfoPayload() {
  Bytes payload(8 + 2 * 12, 0);
  payload[4] = 2;
  const std::uint8_t first[] = {3, 17, 0x0D, 7, 40, 0xFB, 0x2C, 0x01};  // elevation -5, azimuth 300
  std::copy(std::begin(first), std::end(first), payload.begin() + 8);
  payload[20] = 255, payload[21] = 65, payload[22] = 0x04;
  return payload;
}

TEST(UbxMessagesTest, NavClockSignsAndTexts) {
  Bytes payload = NavClockPayload(-123, 4567);
  PutI4(payload, 0, 345600250);
  PutI4(payload, 4, -2500);
  PutI4(payload, 12, 30);
  const auto clock = DecodeNavClock(payload);
  ASSERT_TRUE(clock);
  EXPECT_EQ(clock->itow, 345600250u);
  EXPECT_EQ(clock->clk_b, -2500);
  EXPECT_EQ(clock->t_acc, 30u);
  EXPECT_EQ(TcxoPpbText(*clock), "-123");
  EXPECT_EQ(TcxoAccText(*clock), "4.567");
  // fAcc is read as signed: the top bit makes it negative.
  const auto odd = DecodeNavClock(NavClockPayload(2147483647, -1500));
  EXPECT_EQ(TcxoPpbText(*odd), "2147483647");
  EXPECT_EQ(TcxoAccText(*odd), "-1.500");
  EXPECT_FALSE(DecodeNavClock(Bytes(19, 0)));
}

TEST(UbxMessagesTest, NavSvInfoChannels) {
  const auto info = DecodeNavSvInfo(NavSvInfoPayload());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->num_ch, 2);
  EXPECT_EQ(info->Channels()[0], (SvInfoChannel{.chn = 3,
                                                .svid = 17,
                                                .flags = 0x0D,
                                                .quality = 7,
                                                .cno = 40,
                                                .elevation = -5,
                                                .azimuth = 300}));
  EXPECT_EQ(info->Channels()[1], (SvInfoChannel{.chn = 255, .svid = 65, .flags = 0x04}));
  // A last block one byte short rejects the whole message.
  Bytes short_payload = NavSvInfoPayload();
  short_payload.pop_back();
  EXPECT_FALSE(DecodeNavSvInfo(short_payload));
  EXPECT_FALSE(DecodeNavSvInfo(Bytes(7, 0)));
}

// The half-second edges and the valid bits are checked through the window.
TEST(UbxMessagesTest, HostClockOnlyNearAWholeSecond) {
  const struct {
    std::int32_t nano;
    std::uint8_t valid;
    bool sets_clock;
  } cases[] = {{499999, 0x04, true}, {2147483647, 0x07, false}, {-2147483647 - 1, 0x07, false}};
  for (const auto& c : cases) {
    const auto time = DecodeNavTimeUtc(NavTimeUtcPayload(c.nano, c.valid));
    ASSERT_TRUE(time);
    const auto set = HostClockTime(*time);
    EXPECT_EQ(set.has_value(), c.sets_clock) << c.nano << " valid " << int{c.valid};
    if (set) {
      EXPECT_EQ(*set, (UtcTime{2025, 3, 9, 14, 5, 7, 30}));
    }
  }
  EXPECT_FALSE(DecodeNavTimeUtc(Bytes(19, 0)));
}

TEST(UbxMessagesTest, TraceLines) {
  const Bytes clock = NavClockPayload(-123, 4567);
  const Bytes svinfo = NavSvInfoPayload();
  const Bytes time = NavTimeUtcPayload(-42, 0x07);
  const Bytes truncated(10, 0);
  const struct {
    std::uint8_t msg_id;
    std::span<const std::uint8_t> payload;
    const char* text;
  } cases[] = {
      {0x22, clock, "01 22 20 clkD=-123 fAcc=4567"},
      {0x30, svinfo, "01 30 32 numCh=2 3/13/40 255/4/0"},
      {0x21, time, "01 21 20 utc=2025-03-09T14:05:07 nano=-42 valid=07"},
      {0x22, truncated, "01 22 10"},
      {0x07, clock, "01 07 20"},
  };
  for (const auto& c : cases) EXPECT_EQ(UbxTraceText({0x01, c.msg_id, c.payload}), c.text);
  EXPECT_EQ(UbxTraceText({0xF0, 0x0A, {}}), "F0 0A 0");
}

TEST(UbxMessagesTest, Label20Captions) {
  Bytes rxm = {0x00, 0x0A, 0x1F, 0xFF, 0, 0, 0, 0, 9};
  PutI4(rxm, 4, -7);
  Bytes mon(21);
  for (std::size_t i = 0; i < mon.size(); ++i) mon[i] = static_cast<std::uint8_t>(i * 13);
  EXPECT_EQ(Label20Caption({0x02, 0x52, rxm}), "9  0 A 1F FF -7");
  EXPECT_EQ(Label20Caption({0x0A, 0x11, rxm}), "9 ");
  EXPECT_EQ(Label20Caption({0x0A, 0x1B, {}}), "0 ");
  EXPECT_EQ(Label20Caption({0x0A, 0x1E, mon}),
            "  0 D 1A 27 34 41 4E 5B 68 75 82 8F 9C A9 B6 C3 D0 DD EA F7 4");
  // Too short for the bytes printed, or not a message the label shows: caption unchanged.
  EXPECT_FALSE(Label20Caption({0x02, 0x52, std::span(rxm).first(7)}));
  EXPECT_FALSE(Label20Caption({0x0A, 0x1E, std::span(mon).first(20)}));
  EXPECT_FALSE(Label20Caption({0x01, 0x22, rxm}));
}

}  // namespace
}  // namespace orvane
