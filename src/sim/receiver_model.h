#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/receiver_stream.h"
#include "sim/sim_scenario.h"

namespace orvane {

// A u-blox-like timing receiver, deterministic from a seed and the UTC time at power-up.
//
// Navigation solutions run at 4 Hz on the UTC quarter-second grid. Each one emits NAV-PVT; the
// solution at the top of a UTC second also emits NAV-TIMEUTC; NAV-SVINFO and NAV-CLOCK follow on
// every rate-th solution once CFG-MSG has switched them on (both are off at power-up), and so does
// NAV-TIMELS; CFG-MSG sets NAV-TIMEUTC's rate too. The first seconds after power-up have no GNSS
// signal: no satellite is used and the UTC time is not valid. A scenario changes what it plays.
// About ten satellites drift in C/N0 and in use; the oscillator drift wanders slowly around a few
// hundred ppb.
class ReceiverModel : public ReceiverStream {
 public:
  using UtcTime = std::chrono::sys_time<std::chrono::nanoseconds>;

  // NAV-TIMEUTC's rate at power-up: once a second, at the top of it.
  static constexpr std::uint8_t kDefaultTimeUtcRate = 4;

  ReceiverModel(std::uint64_t seed, UtcTime start_utc, SimScenario scenario = SimScenario::kNone);

  void EmitUntil(std::chrono::nanoseconds since_power_up, std::vector<std::uint8_t>& out) override;
  // Takes CFG-MSG in its 8-byte form (rates on ports 0 to 5, port 0 is ours) and its 3-byte form
  // (one rate). Other messages, and rates for messages the model does not emit, are ignored.
  void Receive(std::uint8_t msg_class, std::uint8_t msg_id,
               std::span<const std::uint8_t> payload) override;
  bool HasSignal(std::chrono::nanoseconds since_power_up) const override;
  double ClockDriftPpb(std::chrono::nanoseconds since_power_up) const override;

 private:
  struct Satellite {
    std::uint8_t svid;
    double base_cno;
    double base_elevation;
    double base_azimuth;
  };
  // What a channel sees of its satellite at one moment.
  struct Track {
    std::uint8_t cno = 0;  // dB-Hz, 0 while nothing is tracked
    bool used = false;
    std::int8_t elevation = 0;
    std::int16_t azimuth = 0;
  };

  // Solutions are numbered by their place on the UTC quarter-second grid since the Unix epoch.
  std::chrono::nanoseconds SinceStart(std::int64_t solution) const;
  Track TrackOf(std::size_t channel, std::chrono::nanoseconds since_power_up) const;
  std::uint32_t TimeAccuracyNs(std::chrono::nanoseconds since_power_up) const;
  void EmitSolution(std::int64_t solution, std::vector<std::uint8_t>& out) const;
  void AppendPvt(std::int64_t solution, std::vector<std::uint8_t>& out) const;
  void AppendTimeUtc(std::int64_t solution, std::vector<std::uint8_t>& out) const;
  void AppendClock(std::int64_t solution, std::vector<std::uint8_t>& out) const;
  void AppendSvInfo(std::int64_t solution, std::vector<std::uint8_t>& out) const;
  void AppendTimeLs(std::int64_t solution, std::vector<std::uint8_t>& out) const;
  // The UTC the receiver reports for a solution: its own, or 1024 weeks early after a rollover.
  UtcTime ReportedUtc(std::int64_t solution) const;

  std::uint64_t seed_;
  UtcTime start_utc_;
  double base_drift_ppb_;
  std::array<Satellite, 10> satellites_;
  std::int64_t next_solution_;
  std::uint8_t svinfo_rate_ = 0;
  std::uint8_t clock_rate_ = 0;
  std::uint8_t time_utc_rate_ = kDefaultTimeUtcRate;
  std::uint8_t time_ls_rate_ = 0;
  SimScenario scenario_;
};

}  // namespace orvane
