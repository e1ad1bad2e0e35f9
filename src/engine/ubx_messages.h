#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "protocol/ubx_ids.h"

namespace orvane {

inline constexpr std::uint8_t kSvInfoUsedForNavigation = 0x01;

// One channel block of NAV-SVINFO.
struct SvInfoChannel {
  std::uint8_t chn = 0;    // receiver channel; 255 = satellite without a channel
  std::uint8_t svid = 0;   // satellite number
  std::uint8_t flags = 0;  // kSvInfoUsedForNavigation and others
  std::uint8_t quality = 0;
  std::uint8_t cno = 0;       // carrier-to-noise ratio, dB-Hz
  std::int8_t elevation = 0;  // degrees
  std::int16_t azimuth = 0;   // degrees
  bool operator==(const SvInfoChannel&) const = default;
};

struct NavSvInfo {
  int num_ch = 0;
  std::array<SvInfoChannel, 255> channels{};  // the first num_ch are valid

  std::span<const SvInfoChannel> Channels() const {
    return std::span(channels).first(static_cast<std::size_t>(num_ch));
  }
};

struct NavClock {
  std::uint32_t itow = 0;   // GPS time of week, ms
  std::int32_t clk_b = 0;   // receiver clock bias, ns
  std::int32_t clk_d = 0;   // clock drift, ns/s = oscillator offset in ppb
  std::uint32_t t_acc = 0;  // time accuracy estimate, ns
  std::int32_t f_acc = 0;   // frequency accuracy estimate, ps/s
};

struct NavTimeUtc {
  std::uint32_t itow = 0;   // GPS time of week of the navigation epoch, ms
  std::uint32_t t_acc = 0;  // time accuracy estimate, ns
  std::int32_t nano = 0;
  std::uint16_t year = 0;
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint8_t hour = 0;
  std::uint8_t min = 0;
  std::uint8_t sec = 0;
  std::uint8_t valid = 0;  // bit 0: time of week, bit 1: week number, bit 2: UTC valid
};

// The receiver's leap-second knowledge.
struct NavTimeLs {
  std::uint32_t itow = 0;
  std::uint8_t src_of_curr_ls = 0;    // 0: the firmware's default, which may be outdated
  std::int8_t curr_ls = 0;            // GPS minus UTC, seconds
  std::uint8_t src_of_ls_change = 0;  // 0: no source for a change
  std::int8_t ls_change = 0;          // +1 insertion, -1 deletion, 0 none
  std::int32_t time_to_ls_event = 0;  // seconds from the message to the change (negative: past)
  std::uint8_t valid = 0;             // bit 0: curr_ls valid, bit 1: time_to_ls_event valid
};

// Decoders of a verified frame's payload: nullopt when the payload is too short for the fields
// they read. A NAV-SVINFO whose channel blocks do not all fit is rejected whole.
std::optional<NavSvInfo> DecodeNavSvInfo(std::span<const std::uint8_t> payload);
// The same into `info`, untouched when the payload is refused: saves copying 255 channel blocks
// where the decoded message is kept.
bool DecodeNavSvInfo(std::span<const std::uint8_t> payload, NavSvInfo& info);

// The satellites of a NAV-SVINFO as every front end counts them: seen means received (C/N0
// above 0), used means seen and used for navigation.
struct SatelliteCounts {
  int used = 0;
  int seen = 0;
  int used_cno_sum = 0;  // dB-Hz, for the mean C/N0 of the used ones
};
SatelliteCounts CountSatellites(const NavSvInfo& info);
std::optional<NavClock> DecodeNavClock(std::span<const std::uint8_t> payload);
std::optional<NavTimeUtc> DecodeNavTimeUtc(std::span<const std::uint8_t> payload);
std::optional<NavTimeLs> DecodeNavTimeLs(std::span<const std::uint8_t> payload);

// The `TCXO_ppb` caption: clkD in decimal.
std::string TcxoPpbText(const NavClock& clock);
// The `TCXO_acc` caption: fAcc in ppb, three decimals.
std::string TcxoAccText(const NavClock& clock);

// A UTC time to set the host's clock to.
struct UtcTime {
  std::uint16_t year = 0;
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint16_t milliseconds = 0;
  bool operator==(const UtcTime&) const = default;
};

// The host clock is set only from a valid UTC time within half a millisecond of a whole second;
// the 30 ms stand for the time the message took to arrive.
std::optional<UtcTime> HostClockTime(const NavTimeUtc& time);

}  // namespace orvane
