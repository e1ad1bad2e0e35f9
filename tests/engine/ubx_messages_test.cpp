#include "engine/ubx_messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "engine/ubx_trace.h"
#include "protocol/byte_order.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `size` zero bytes with the little-endian 32-bit `words` at their offsets.
Bytes Payload(std::size_t size, std::initializer_list<std::pair<std::size_t, std::int32_t>> words) {
  Bytes payload(size, 0);
  for (const auto& [at, value] : words) WriteInt(std::span(payload), at, value);
  return payload;
}

// NAV-TIMEUTC of 2025-03-09 14:05:07 with `nano` and `valid`.
Bytes TimeUtc(std::int32_t nano, std::uint8_t valid) {
  Bytes payload = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE9, 0x07, 3, 9, 14, 5, 7, valid};
  WriteInt(std::span(payload), 8, nano);
  return payload;
}

// Two channel blocks: chn 3 used with cno 40, elevation -5 and azimuth 300; chn 255 unused.
Bytes SvInfo() {
  Bytes payload = {0, 0, 0, 0, 2, 0, 0, 0, 3, 17, 0x0D, 7, 40, 0xFB, 0x2C, 0x01};
  payload.resize(8 + 2 * 12, 0);
  payload[20] = 255, payload[21] = 65, payload[22] = 0x04;
  return payload;
}

TEST(UbxMessages, DecodedAsTheTraceShowsThemAndRefusedWhenShort) {
  const Bytes clock = Payload(20, {{8, -123}, {16, 4567}});
  const Bytes svinfo = SvInfo();
  const Bytes time = TimeUtc(-42, 0x07);
  const struct {
    std::uint8_t msg_id;
    std::span<const std::uint8_t> payload;
    const char* text;
  } cases[] = {
      {0x22, clock, "01 22 20 clkD=-123 fAcc=4567"},
      {0x30, svinfo, "01 30 32 numCh=2 3/13/40 255/4/0"},
      {0x21, time, "01 21 20 utc=2025-03-09T14:05:07 nano=-42 valid=07"},
      {0x22, std::span(clock).first(19), "01 22 19"},
      {0x30, std::span(svinfo).first(31), "01 30 31"},  // the last block does not fit: none do
      {0x30, std::span(svinfo).first(7), "01 30 7"},
      {0x21, std::span(time).first(19), "01 21 19"},
      {0x07, clock, "01 07 20"},
  };
  for (const auto& c : cases) EXPECT_EQ(UbxTraceText({0x01, c.msg_id, c.payload}), c.text);
  EXPECT_EQ(UbxTraceText({0xF0, 0x0A, clock}), "F0 0A 20");
  EXPECT_EQ(DecodeNavSvInfo(svinfo)->Channels()[0], (SvInfoChannel{3, 17, 0x0D, 7, 40, -5, 300}));
}

TEST(UbxMessages, NavClockFieldsAndTcxoTextsReadBothEstimatesSigned) {
  const NavClock clock =
      *DecodeNavClock(Payload(20, {{0, 345600250}, {4, -2500}, {8, -123}, {12, 30}, {16, -1500}}));
  EXPECT_EQ(std::tuple(clock.itow, clock.clk_b, clock.t_acc), std::tuple(345600250u, -2500, 30u));
  EXPECT_EQ(TcxoPpbText(clock), "-123");
  EXPECT_EQ(TcxoAccText(clock), "-1.500");
}

TEST(UbxMessages, TimeAccuracyAndLeapSecondFieldsKeepTheirSigns) {
  Bytes time = TimeUtc(0, 0x07);
  WriteInt(std::span(time), 0, std::uint32_t{345600000});
  WriteInt(std::span(time), 4, std::uint32_t{4000000000});  // tAcc is unsigned
  const NavTimeUtc utc = *DecodeNavTimeUtc(time);
  EXPECT_EQ(std::tuple(utc.itow, utc.t_acc), std::tuple(345600000u, 4000000000u));

  Bytes leap = Payload(24, {{0, 345600000}, {12, -86400}});
  leap[8] = 2, leap[9] = 18, leap[10] = 2, leap[11] = 0xFF, leap[23] = 0x03;
  const NavTimeLs ls = *DecodeNavTimeLs(leap);
  EXPECT_EQ(std::tuple(ls.itow, ls.src_of_curr_ls, ls.curr_ls, ls.src_of_ls_change, ls.ls_change,
                       ls.time_to_ls_event, ls.valid),
            std::tuple(345600000u, 2, 18, 2, -1, -86400, 3));
  EXPECT_EQ(DecodeNavTimeLs(std::span(leap).first(23)), std::nullopt);
}

// The half-second edges and the valid bits are checked through the window.
TEST(UbxMessages, HostClockOnlyNearAWholeSecond) {
  EXPECT_EQ(HostClockTime(*DecodeNavTimeUtc(TimeUtc(499999, 0x04))),
            (UtcTime{2025, 3, 9, 14, 5, 7, 30}));
  for (const std::int32_t nano : {2147483647, -2147483647 - 1}) {
    EXPECT_EQ(HostClockTime(*DecodeNavTimeUtc(TimeUtc(nano, 0x07))), std::nullopt) << nano;
  }
}

}  // namespace
}  // namespace orvane
