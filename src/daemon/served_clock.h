#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "daemon/leap_second.h"
#include "daemon/sample_gate.h"
#include "engine/clock_session.h"
#include "engine/holdover.h"
#include "service/chrony_sample.h"
#include "service/ubx_share.h"

namespace orvane {

// One attached clock as the service drives it: its session, polled at the design's rate, the
// share of its receiver stream, and a chronyd sample for each NAV-TIMEUTC its gate lets through,
// with the leap second NAV-TIMELS announces.
class ServedClock {
 public:
  static constexpr std::chrono::milliseconds kPollInterval{50};
  // A freshly (re)connected clock's first messages may still come from before the connection.
  static constexpr std::chrono::seconds kSettleTime{2};
  // Ticks are placed this long after the second's NAV-TIMEUTC is expected, so that it is sent on
  // almost as soon as it arrives rather than up to a poll interval later.
  static constexpr std::chrono::microseconds kArrivalMargin{500};

  // What one tick hands on, each called in stream order while the poll decodes; any may be
  // empty.
  struct TickListener {
    std::function<void(const SockSample&)> sample;  // a chronyd sample
    std::function<void(std::span<const std::uint8_t> bytes, const ReceiveTime& received)> stream;
    std::function<void(const UbxMessage& message)> message;  // after the telemetry took it in
    // Samples were held back (`held`) or resume: the log line saying so.
    std::function<void(bool held, const std::string& line)> gate_change;
  };

  ServedClock(HidBackend& backend, TraceLog& trace, MonotonicClock& clock, std::string serial,
              SampleGateSettings gate = {});

  // Opens the clock, reads it back and switches its status messages on. On failure
  // `*denied_path` names a clock refused for lack of permission (empty otherwise).
  bool Connect(std::string* denied_path);
  // One poll: stream bytes to the share and the listener, samples and messages to the listener.
  // False when the clock was lost.
  bool Tick(const TickListener& listener);
  // Receiver messages back to their power-up rates (0; NAV-TIMEUTC stays on), handles closed.
  void Stop();

  const std::string& serial() const { return serial_; }
  bool connected() const { return session_.link().DeviceDetected; }
  const ClockSession& session() const { return session_; }
  // What the last connection read of the clock.
  const ClockIdentity& identity() const { return identity_; }
  const std::optional<DeviceConfiguration>& configuration() const { return configuration_; }
  // Monotonic time of the next poll.
  std::chrono::nanoseconds next_tick() const { return next_tick_; }
  // Monotonic time of the last receiver message, or of the connection when none came since.
  std::chrono::nanoseconds last_heard() const { return last_heard_; }
  // Monotonic time of the last NAV-TIMEUTC, or of the connection when none came since.
  std::chrono::nanoseconds last_time_utc() const { return last_time_utc_; }
  const SampleGate& sample_gate() const { return gate_; }
  const HoldoverWatch& holdover() const { return holdover_; }
  UbxShare* share() const { return share_.get(); }
  void set_share(std::unique_ptr<UbxShare> share) { share_ = std::move(share); }

 private:
  // Moves the next tick so that one falls just after the next second's NAV-TIMEUTC.
  void AlignTo(const ReceiveTime& received);
  // Keeps the leap second a NAV-TIMELS announces, dated by the latest NAV-TIMEUTC.
  void TakeLeapSeconds(const NavTimeLs& leap, const ReceiveTime& received);

  ClockSession session_;
  MonotonicClock& clock_;
  const std::string serial_;
  std::unique_ptr<UbxShare> share_;
  ClockIdentity identity_;
  std::optional<DeviceConfiguration> configuration_;
  std::chrono::nanoseconds connected_at_{0};
  std::chrono::nanoseconds next_tick_{0};
  std::chrono::nanoseconds last_heard_{0};
  std::chrono::nanoseconds last_time_utc_{0};
  SampleGate gate_;
  std::optional<LeapEvent> leap_;
  HoldoverWatch holdover_;
};

}  // namespace orvane
