#include "engine/ubx_messages.h"

#include "engine/decimal_text.h"
#include "protocol/byte_order.h"

namespace orvane {

namespace {
constexpr std::size_t kSvInfoHeaderLength = 8;
constexpr std::size_t kSvInfoBlockLength = 12;
constexpr std::size_t kNavClockLength = 20;
constexpr std::size_t kNavTimeUtcLength = 20;
constexpr std::size_t kNavTimeLsLength = 24;
constexpr std::uint8_t kTimeUtcValid = 0x04;
constexpr std::uint16_t kHostClockMilliseconds = 30;
}  // namespace

std::optional<NavSvInfo> DecodeNavSvInfo(std::span<const std::uint8_t> payload) {
  NavSvInfo info;
  if (!DecodeNavSvInfo(payload, info)) return std::nullopt;
  return info;
}

bool DecodeNavSvInfo(std::span<const std::uint8_t> payload, NavSvInfo& info) {
  if (payload.size() < kSvInfoHeaderLength) return false;
  const int num_ch = payload[4];
  if (payload.size() < kSvInfoHeaderLength + kSvInfoBlockLength * num_ch) return false;
  info.num_ch = num_ch;
  for (int n = 0; n < num_ch; ++n) {
    const auto block = payload.subspan(kSvInfoHeaderLength + kSvInfoBlockLength * n);
    info.channels[n] = {.chn = block[0],
                        .svid = block[1],
                        .flags = block[2],
                        .quality = block[3],
                        .cno = block[4],
                        .elevation = static_cast<std::int8_t>(block[5]),
                        .azimuth = ReadI16(block, 6)};
  }
  return true;
}

std::optional<NavClock> DecodeNavClock(std::span<const std::uint8_t> payload) {
  if (payload.size() < kNavClockLength) return std::nullopt;
  return NavClock{.itow = static_cast<std::uint32_t>(ReadI32(payload, 0)),
                  .clk_b = ReadI32(payload, 4),
                  .clk_d = ReadI32(payload, 8),
                  .t_acc = static_cast<std::uint32_t>(ReadI32(payload, 12)),
                  .f_acc = ReadI32(payload, 16)};
}

std::optional<NavTimeUtc> DecodeNavTimeUtc(std::span<const std::uint8_t> payload) {
  if (payload.size() < kNavTimeUtcLength) return std::nullopt;
  return NavTimeUtc{.itow = static_cast<std::uint32_t>(ReadI32(payload, 0)),
                    .t_acc = static_cast<std::uint32_t>(ReadI32(payload, 4)),
                    .nano = ReadI32(payload, 8),
                    .year = ReadU16(payload, 12),
                    .month = payload[14],
                    .day = payload[15],
                    .hour = payload[16],
                    .min = payload[17],
                    .sec = payload[18],
                    .valid = payload[19]};
}

std::optional<NavTimeLs> DecodeNavTimeLs(std::span<const std::uint8_t> payload) {
  if (payload.size() < kNavTimeLsLength) return std::nullopt;
  return NavTimeLs{.itow = static_cast<std::uint32_t>(ReadI32(payload, 0)),
                   .src_of_curr_ls = payload[8],
                   .curr_ls = static_cast<std::int8_t>(payload[9]),
                   .src_of_ls_change = payload[10],
                   .ls_change = static_cast<std::int8_t>(payload[11]),
                   .time_to_ls_event = ReadI32(payload, 12),
                   .valid = payload[23]};
}

std::string TcxoPpbText(const NavClock& clock) { return std::to_string(clock.clk_d); }

std::string TcxoAccText(const NavClock& clock) { return FormatThreeDecimals(clock.f_acc / 1000.0); }

std::optional<UtcTime> HostClockTime(const NavTimeUtc& time) {
  if ((time.valid & kTimeUtcValid) == 0) return std::nullopt;
  // nano rounded to whole milliseconds is 0 exactly when -500000 <= nano < 500000; comparing
  // directly avoids the overflow of nano + 500000 near the top of the range.
  if (time.nano < -500000 || time.nano >= 500000) return std::nullopt;
  return UtcTime{.year = time.year,
                 .month = time.month,
                 .day = time.day,
                 .hour = time.hour,
                 .minute = time.min,
                 .second = time.sec,
                 .milliseconds = kHostClockMilliseconds};
}

SatelliteCounts CountSatellites(const NavSvInfo& info) {
  SatelliteCounts counts;
  for (const SvInfoChannel& channel : info.Channels()) {
    if (channel.cno == 0) continue;
    ++counts.seen;
    if (!(channel.flags & kSvInfoUsedForNavigation)) continue;
    ++counts.used;
    counts.used_cno_sum += channel.cno;
  }
  return counts;
}

}  // namespace orvane
