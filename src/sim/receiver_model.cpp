#include "sim/receiver_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "protocol/byte_order.h"
#include "protocol/cfg_msg.h"
#include "protocol/ubx_frame.h"
#include "protocol/ubx_ids.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr nanoseconds kSolutionInterval = milliseconds(250);
constexpr std::int64_t kSolutionsPerSecond = 4;
constexpr nanoseconds kAcquisitionTime = std::chrono::seconds(3);
// The outage scenario's minute without signal.
constexpr nanoseconds kOutageStart = std::chrono::seconds(30);
constexpr nanoseconds kOutageEnd = std::chrono::seconds(90);
// How fast a free-running receiver's time accuracy estimate grows, ns per second.
constexpr double kHoldoverTimeErrorGrowth = 5000.0;
// A receiver that resolves the week against the previous epoch: 1024 weeks early.
constexpr std::chrono::days kRolloverError(1024 * 7);
// NAV-TIMELS: where the leap-second values come from (2: GPS), and its valid bits.
constexpr std::uint8_t kLeapSourceGps = 2;
constexpr std::uint8_t kLeapValidCurrent = 0x01;
constexpr std::uint8_t kLeapValidTimeToEvent = 0x02;
// GPS time runs ahead of UTC by the leap seconds inserted since 1980.
constexpr std::chrono::seconds kGpsLeapSeconds(18);
constexpr std::int64_t kWeekMs = 7LL * 24 * 3600 * 1000;

constexpr double kUsedCnoThreshold = 28.0;
// Accuracies the receiver reports before it has a fix: large, but not the "unknown" all-ones.
constexpr std::uint32_t kNoFixTimeAccuracyNs = 500'000'000;
constexpr std::uint32_t kNoFixFreqAccuracyPsPerS = 5'000'000;

// Independent seeded noise sources; each satellite owns a block of kSatelliteStreams.
enum Stream : std::uint64_t {
  kDriftBase = 1,
  kDriftSlow,
  kDriftFast,
  kTimeAccuracy,
  kFreqAccuracy,
  kTimeJitter,
  kSatelliteFirst = 0x100,
};
enum SatelliteStream : std::uint64_t {
  kSvid,
  kBaseCno,
  kBaseElevation,
  kBaseAzimuth,
  kCnoSlow,
  kCnoFast,
  kElevationWander,
  kResidual,
  kSatelliteStreams,
};

std::uint64_t SatelliteStreamOf(std::size_t channel, SatelliteStream stream) {
  return kSatelliteFirst + channel * kSatelliteStreams + stream;
}

// The splitmix64 finaliser: a cheap, well-spread hash, identical on every platform.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Uniform in [-1, 1); always the same for the same seed, stream and index. Hashing instead of a
// running generator keeps every value a pure function of time, whatever order it is asked in.
double Unit(std::uint64_t seed, std::uint64_t stream, std::int64_t index) {
  const std::uint64_t hash = Mix(seed ^ Mix(stream ^ Mix(static_cast<std::uint64_t>(index))));
  return static_cast<double>(hash >> 11) * 0x1p-52 - 1.0;
}

// Uniform in [0, 1).
double Fraction(std::uint64_t seed, std::uint64_t stream, std::int64_t index) {
  return (Unit(seed, stream, index) + 1.0) / 2.0;
}

// Smooth noise in [-1, 1]: seeded values every `period_s` seconds, eased in between, so its slope
// stays below 3 / period_s.
double Wander(std::uint64_t seed, std::uint64_t stream, double t_s, double period_s) {
  const double x = t_s / period_s;
  const double knot = std::floor(x);
  const double f = x - knot;
  const double ease = f * f * (3.0 - 2.0 * f);
  const auto k = static_cast<std::int64_t>(knot);
  const double from = Unit(seed, stream, k);
  return from + (Unit(seed, stream, k + 1) - from) * ease;
}

double Seconds(nanoseconds t) { return std::chrono::duration<double>(t).count(); }

struct UtcFields {
  std::uint16_t year;
  std::uint8_t month;
  std::uint8_t day;
  std::uint8_t hour;
  std::uint8_t minute;
  std::uint8_t second;
};

UtcFields FieldsOf(ReceiverModel::UtcTime utc) {
  const auto day = std::chrono::floor<std::chrono::days>(utc);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss time{std::chrono::floor<std::chrono::seconds>(utc - day)};
  return {static_cast<std::uint16_t>(static_cast<int>(date.year())),
          static_cast<std::uint8_t>(static_cast<unsigned>(date.month())),
          static_cast<std::uint8_t>(static_cast<unsigned>(date.day())),
          static_cast<std::uint8_t>(time.hours().count()),
          static_cast<std::uint8_t>(time.minutes().count()),
          static_cast<std::uint8_t>(time.seconds().count())};
}

ReceiverModel::UtcTime SolutionUtc(std::int64_t solution) {
  return ReceiverModel::UtcTime(solution * kSolutionInterval);
}

// GPS time of week in milliseconds, the iTOW that tags every navigation message of a solution.
std::uint32_t TimeOfWeekMs(std::int64_t solution) {
  using namespace std::chrono;
  constexpr sys_days kGpsEpoch = 1980y / January / 6;
  const auto gps_ms =
      duration_cast<milliseconds>(SolutionUtc(solution) - kGpsEpoch + kGpsLeapSeconds);
  return static_cast<std::uint32_t>(gps_ms.count() % kWeekMs);
}

// The next end of June or December after `utc`: when an announced leap second takes effect.
ReceiverModel::UtcTime NextLeapOpportunity(ReceiverModel::UtcTime utc) {
  using namespace std::chrono;
  const year_month_day date{floor<days>(utc)};
  const year_month_day next =
      date.month() < July ? date.year() / July / 1 : (date.year() + years(1)) / January / 1;
  return sys_days(next);
}

}  // namespace

ReceiverModel::ReceiverModel(std::uint64_t seed, UtcTime start_utc, SimScenario scenario)
    : seed_(seed),
      start_utc_(start_utc),
      base_drift_ppb_(-300.0 + 60.0 * Unit(seed, kDriftBase, 0)),
      scenario_(scenario) {
  std::array<std::uint8_t, 32> prns;
  std::iota(prns.begin(), prns.end(), std::uint8_t{1});
  for (std::size_t channel = 0; channel < satellites_.size(); ++channel) {
    // A partial shuffle picks distinct satellites.
    const auto pick =
        channel + static_cast<std::size_t>(Fraction(seed, SatelliteStreamOf(channel, kSvid), 0) *
                                           (prns.size() - channel));
    std::swap(prns[channel], prns[pick]);
    satellites_[channel] = {
        prns[channel], 26.0 + 18.0 * Fraction(seed, SatelliteStreamOf(channel, kBaseCno), 0),
        10.0 + 70.0 * Fraction(seed, SatelliteStreamOf(channel, kBaseElevation), 0),
        360.0 * Fraction(seed, SatelliteStreamOf(channel, kBaseAzimuth), 0)};
  }
  const std::int64_t since_epoch = start_utc.time_since_epoch().count();
  const std::int64_t interval = kSolutionInterval.count();
  next_solution_ = since_epoch / interval + (since_epoch % interval > 0 ? 1 : 0);
}

void ReceiverModel::EmitUntil(nanoseconds since_power_up, std::vector<std::uint8_t>& out) {
  while (SinceStart(next_solution_) <= since_power_up) {
    EmitSolution(next_solution_, out);
    ++next_solution_;
  }
}

void ReceiverModel::Receive(std::uint8_t msg_class, std::uint8_t msg_id,
                            std::span<const std::uint8_t> payload) {
  if (msg_class != kUbxClassCfg || msg_id != kUbxIdCfgMsg) return;
  const std::optional<CfgMsg> rate = DecodeCfgMsg(payload);
  if (!rate || rate->msg_class != kUbxClassNav) return;
  if (rate->msg_id == kUbxIdNavSvInfo) svinfo_rate_ = rate->rate;
  if (rate->msg_id == kUbxIdNavClock) clock_rate_ = rate->rate;
  if (rate->msg_id == kUbxIdNavTimeUtc) time_utc_rate_ = rate->rate;
  if (rate->msg_id == kUbxIdNavTimeLs) time_ls_rate_ = rate->rate;
}

bool ReceiverModel::HasSignal(nanoseconds since_power_up) const {
  if (scenario_ == SimScenario::kOutage && since_power_up >= kOutageStart &&
      since_power_up < kOutageEnd) {
    return false;
  }
  return since_power_up >= kAcquisitionTime;
}

ReceiverModel::UtcTime ReceiverModel::ReportedUtc(std::int64_t solution) const {
  const UtcTime utc = SolutionUtc(solution);
  return scenario_ == SimScenario::kRollover ? utc - kRolloverError : utc;
}

double ReceiverModel::ClockDriftPpb(nanoseconds since_power_up) const {
  const double t = Seconds(since_power_up);
  return base_drift_ppb_ + 40.0 * Wander(seed_, kDriftSlow, t, 120.0) +
         2.0 * Wander(seed_, kDriftFast, t, 8.0);
}

nanoseconds ReceiverModel::SinceStart(std::int64_t solution) const {
  return SolutionUtc(solution) - start_utc_;
}

std::uint32_t ReceiverModel::TimeAccuracyNs(nanoseconds since_power_up) const {
  if (!HasSignal(since_power_up)) {
    if (since_power_up < kAcquisitionTime) return kNoFixTimeAccuracyNs;
    // Free-running on its own oscillator since the signal went.
    return static_cast<std::uint32_t>(
        std::lround(25.0 + kHoldoverTimeErrorGrowth * Seconds(since_power_up - kOutageStart)));
  }
  const double wander = Wander(seed_, kTimeAccuracy, Seconds(since_power_up), 30.0);
  return static_cast<std::uint32_t>(std::lround(25.0 + 15.0 * wander));
}

ReceiverModel::Track ReceiverModel::TrackOf(std::size_t channel, nanoseconds since_power_up) const {
  const Satellite& satellite = satellites_[channel];
  const double t = Seconds(since_power_up);
  const double cno = satellite.base_cno +
                     10.0 * Wander(seed_, SatelliteStreamOf(channel, kCnoSlow), t, 45.0) +
                     1.5 * Wander(seed_, SatelliteStreamOf(channel, kCnoFast), t, 4.0);
  const double elevation =
      satellite.base_elevation +
      5.0 * Wander(seed_, SatelliteStreamOf(channel, kElevationWander), t, 600.0);
  // Satellites cross the sky by about half a degree a minute.
  const double azimuth = std::fmod(satellite.base_azimuth + t / 120.0, 360.0);
  Track track;
  track.elevation = static_cast<std::int8_t>(std::lround(std::clamp(elevation, 0.0, 90.0)));
  track.azimuth = static_cast<std::int16_t>(std::lround(azimuth) % 360);
  if (HasSignal(since_power_up)) {
    track.cno = static_cast<std::uint8_t>(std::lround(std::clamp(cno, 20.0, 50.0)));
    track.used = track.cno >= kUsedCnoThreshold;
  }
  return track;
}

void ReceiverModel::EmitSolution(std::int64_t solution, std::vector<std::uint8_t>& out) const {
  // The order in which a u-blox receiver lists its NAV messages: by id.
  AppendPvt(solution, out);
  if (time_utc_rate_ != 0 && solution % time_utc_rate_ == 0 &&
      scenario_ != SimScenario::kNoTimeUtc) {
    AppendTimeUtc(solution, out);
  }
  if (clock_rate_ != 0 && solution % clock_rate_ == 0) AppendClock(solution, out);
  if (time_ls_rate_ != 0 && solution % time_ls_rate_ == 0) AppendTimeLs(solution, out);
  if (svinfo_rate_ != 0 && solution % svinfo_rate_ == 0) AppendSvInfo(solution, out);
}

void ReceiverModel::AppendPvt(std::int64_t solution, std::vector<std::uint8_t>& out) const {
  const nanoseconds since = SinceStart(solution);
  const bool fix = HasSignal(since);
  const UtcFields utc = FieldsOf(ReportedUtc(solution));
  std::uint8_t used = 0;
  for (std::size_t channel = 0; channel < satellites_.size(); ++channel) {
    used += TrackOf(channel, since).used ? 1 : 0;
  }
  const auto sub_second_ns = (solution % kSolutionsPerSecond) * kSolutionInterval.count();
  std::array<std::uint8_t, 92> payload{};
  WriteInt(payload, 0, TimeOfWeekMs(solution));
  WriteInt(payload, 4, utc.year);
  WriteInt(payload, 6, utc.month);
  WriteInt(payload, 7, utc.day);
  WriteInt(payload, 8, utc.hour);
  WriteInt(payload, 9, utc.minute);
  WriteInt(payload, 10, utc.second);
  WriteInt<std::uint8_t>(payload, 11, fix ? 0x07 : 0x00);  // date, time, fully resolved
  WriteInt(payload, 12, TimeAccuracyNs(since));
  WriteInt(payload, 16, static_cast<std::int32_t>(sub_second_ns));
  WriteInt<std::uint8_t>(payload, 20, fix ? 3 : 0);        // 3D fix or none
  WriteInt<std::uint8_t>(payload, 21, fix ? 0x01 : 0x00);  // gnssFixOK
  WriteInt<std::uint8_t>(payload, 22, fix ? 0xE0 : 0x00);  // date and time confirmed
  WriteInt(payload, 23, used);
  if (fix) {
    // A receiver standing still on a lab roof.
    WriteInt(payload, 24, std::int32_t{66323000});   // lon, 1e-7 deg
    WriteInt(payload, 28, std::int32_t{465197000});  // lat, 1e-7 deg
    WriteInt(payload, 32, std::int32_t{548000});     // height above ellipsoid, mm
    WriteInt(payload, 36, std::int32_t{495000});     // above mean sea level, mm
    WriteInt(payload, 40, std::uint32_t{1800});      // hAcc, mm
    WriteInt(payload, 44, std::uint32_t{2900});      // vAcc, mm
    WriteInt(payload, 68, std::uint32_t{90});        // sAcc, mm/s
    WriteInt(payload, 76, std::uint16_t{142});       // pDOP, 0.01
  } else {
    WriteInt(payload, 40, std::uint32_t{0xFFFFFFFF});
    WriteInt(payload, 44, std::uint32_t{0xFFFFFFFF});
    WriteInt(payload, 68, std::uint32_t{20000});
    WriteInt(payload, 76, std::uint16_t{9999});
  }
  WriteInt(payload, 72, std::uint32_t{18000000});  // headAcc, 1e-5 deg: heading unknown
  AppendUbxFrame(kUbxClassNav, kUbxIdNavPvt, payload, out);
}

void ReceiverModel::AppendTimeUtc(std::int64_t solution, std::vector<std::uint8_t>& out) const {
  const nanoseconds since = SinceStart(solution);
  // Once known, UTC stays valid while the receiver runs on its own clock without a signal.
  const bool valid = since >= kAcquisitionTime;
  const UtcFields utc = FieldsOf(ReportedUtc(solution));
  std::array<std::uint8_t, 20> payload{};
  WriteInt(payload, 0, TimeOfWeekMs(solution));
  WriteInt(payload, 4, TimeAccuracyNs(since));
  // The solution lands a few hundred nanoseconds off the top of the second.
  WriteInt(payload, 8,
           static_cast<std::int32_t>(std::lround(250.0 * Unit(seed_, kTimeJitter, solution))));
  WriteInt(payload, 12, utc.year);
  WriteInt(payload, 14, utc.month);
  WriteInt(payload, 15, utc.day);
  WriteInt(payload, 16, utc.hour);
  WriteInt(payload, 17, utc.minute);
  WriteInt(payload, 18, utc.second);
  // Time of week and week number come from the real-time clock; UTC needs a first fix.
  WriteInt<std::uint8_t>(payload, 19, valid ? 0x07 : 0x03);
  AppendUbxFrame(kUbxClassNav, kUbxIdNavTimeUtc, payload, out);
}

void ReceiverModel::AppendClock(std::int64_t solution, std::vector<std::uint8_t>& out) const {
  const nanoseconds since = SinceStart(solution);
  const bool fix = HasSignal(since);
  const double t = Seconds(since);
  // The receiver steers its clock bias back by whole milliseconds as the drift accumulates.
  const double bias_ns = std::remainder(base_drift_ppb_ * t, 1e6);
  std::array<std::uint8_t, 20> payload{};
  WriteInt(payload, 0, TimeOfWeekMs(solution));
  WriteInt(payload, 4, static_cast<std::int32_t>(std::lround(bias_ns)));
  WriteInt(payload, 8, static_cast<std::int32_t>(std::lround(ClockDriftPpb(since))));
  WriteInt(payload, 12, TimeAccuracyNs(since));
  WriteInt(payload, 16,
           fix ? static_cast<std::uint32_t>(
                     std::lround(3000.0 + 1500.0 * Wander(seed_, kFreqAccuracy, t, 20.0)))
               : kNoFixFreqAccuracyPsPerS);
  AppendUbxFrame(kUbxClassNav, kUbxIdNavClock, payload, out);
}

void ReceiverModel::AppendSvInfo(std::int64_t solution, std::vector<std::uint8_t>& out) const {
  constexpr std::size_t kHeader = 8;
  constexpr std::size_t kBlock = 12;
  constexpr std::uint8_t kChipGenUblox8 = 4;
  const nanoseconds since = SinceStart(solution);
  std::array<std::uint8_t, kHeader + kBlock * std::tuple_size_v<decltype(satellites_)>> payload{};
  WriteInt(payload, 0, TimeOfWeekMs(solution));
  WriteInt(payload, 4, static_cast<std::uint8_t>(satellites_.size()));
  WriteInt(payload, 5, kChipGenUblox8);
  for (std::size_t channel = 0; channel < satellites_.size(); ++channel) {
    const Track track = TrackOf(channel, since);
    const std::size_t at = kHeader + kBlock * channel;
    WriteInt(payload, at + 0, static_cast<std::uint8_t>(channel));
    WriteInt(payload, at + 1, satellites_[channel].svid);
    // svUsed, and orbit and ephemeris known once the satellites are tracked.
    WriteInt(payload, at + 2,
             static_cast<std::uint8_t>((track.used ? 0x01 : 0x00) | (track.cno > 0 ? 0x0C : 0x00)));
    // Quality: code and carrier locked, time synchronised; code locked; searching.
    WriteInt<std::uint8_t>(payload, at + 3, track.used ? 7 : track.cno > 0 ? 4 : 1);
    WriteInt(payload, at + 4, track.cno);
    WriteInt(payload, at + 5, track.elevation);
    WriteInt(payload, at + 6, track.azimuth);
    const double residual_cm =
        track.used ? 150.0 * Unit(seed_, SatelliteStreamOf(channel, kResidual), solution) : 0.0;
    WriteInt(payload, at + 8, static_cast<std::int32_t>(std::lround(residual_cm)));
  }
  AppendUbxFrame(kUbxClassNav, kUbxIdNavSvInfo, payload, out);
}

void ReceiverModel::AppendTimeLs(std::int64_t solution, std::vector<std::uint8_t>& out) const {
  constexpr std::int8_t kCurrentLeapSeconds = 18;
  std::array<std::uint8_t, 24> payload{};
  WriteInt(payload, 0, TimeOfWeekMs(solution));
  WriteInt(payload, 8, kLeapSourceGps);
  WriteInt(payload, 9, kCurrentLeapSeconds);
  std::uint8_t valid = kLeapValidCurrent;
  if (scenario_ == SimScenario::kLeapInsert || scenario_ == SimScenario::kLeapDelete) {
    const UtcTime utc = SolutionUtc(solution);
    const auto to_event =
        std::chrono::floor<std::chrono::seconds>(NextLeapOpportunity(utc) - utc).count();
    WriteInt(payload, 10, kLeapSourceGps);
    WriteInt<std::int8_t>(payload, 11, scenario_ == SimScenario::kLeapInsert ? 1 : -1);
    WriteInt(payload, 12, static_cast<std::int32_t>(to_event));
    valid |= kLeapValidTimeToEvent;
  }
  WriteInt(payload, 23, valid);
  AppendUbxFrame(kUbxClassNav, kUbxIdNavTimeLs, payload, out);
}

}  // namespace orvane
