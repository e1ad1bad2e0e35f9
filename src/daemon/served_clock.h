#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "control/poll_events.h"
#include "daemon/clock_log.h"
#include "daemon/leap_second.h"
#include "daemon/sample_gate.h"
#include "engine/clock_session.h"
#include "engine/holdover.h"
#include "service/chrony_sample.h"
#include "service/chrony_socket.h"
#include "service/journal_log.h"
#include "service/ubx_share.h"

namespace orvane {

// Where one clock's outputs go; each part may be absent.
struct ClockOutputs {
  std::unique_ptr<UbxShare> share;       // the receiver stream for gpsd and UBX tools
  std::unique_ptr<ChronySocket> chrony;  // chronyd's refclock socket
  std::unique_ptr<ClockLog> log;         // --log-dir files
  // Set: samples go here instead of to chronyd (offset estimation).
  std::function<void(const std::string& serial, const SockSample&)> sample_sink;
};

// One attached clock as the service drives it, and the only owner of what it puts out: its
// session, polled at the design's rate, the share of its receiver stream, a chronyd sample for
// each NAV-TIMEUTC its gate lets through (with the leap second NAV-TIMELS announces), its log
// files, its holdover, and the counts the metrics show.
class ServedClock {
 public:
  static constexpr std::chrono::milliseconds kPollInterval{50};
  // A freshly (re)connected clock's first messages may still come from before the connection.
  static constexpr std::chrono::seconds kSettleTime{2};
  // Ticks are placed this long after the second's NAV-TIMEUTC is expected, so that it is sent on
  // almost as soon as it arrives rather than up to a poll interval later.
  static constexpr std::chrono::microseconds kArrivalMargin{500};

  ServedClock(HidBackend& backend, TraceLog& trace, MonotonicClock& clock, JournalLog& log,
              std::string serial, SampleGateSettings gate = {});

  // Opens the clock, reads it back and switches its status and time messages on. On failure
  // `*refused` names a clock refused for lack of permission or held by another program (empty
  // otherwise).
  bool Connect(ClockSession::OpenResult* refused);
  // Gives the clock its outputs, once, at its first connection; a re-found clock keeps them.
  void Serve(ClockOutputs outputs);
  bool serving() const { return serving_; }
  // A share that could not be started with the other outputs, once it can.
  void Share(std::unique_ptr<UbxShare> share) { outputs_.share = std::move(share); }
  // One poll: stream bytes to the share, messages to the log, samples to chronyd; a change of
  // the gate's verdict is logged. False when the clock was lost. With `event`, what the poll
  // found is copied there for the control socket's subscribers.
  bool Tick(PollEvent* event = nullptr);
  // Receiver messages back to their power-up rates (0; NAV-TIMEUTC stays on), handles closed.
  void Stop();

  const std::string& serial() const { return serial_; }
  bool connected() const { return session_.link().DeviceDetected(); }
  const ClockSession& session() const { return session_; }
  // For a client's operation, which the worker runs between ticks.
  ClockSession& session() { return session_; }
  // What the last connection read of the clock.
  const ClockIdentity& identity() const { return identity_; }
  const std::optional<DeviceConfiguration>& configuration() const { return configuration_; }
  // A client's change was read back: what the clock now holds.
  void Reconfigured(const DeviceConfiguration& configuration) { configuration_ = configuration; }
  // Monotonic time of the next poll.
  std::chrono::nanoseconds next_tick() const { return next_tick_; }
  // Monotonic time of the last receiver message, or of the connection when none came since.
  std::chrono::nanoseconds last_heard() const { return last_heard_; }
  // Monotonic time of the poll that took the latest of each kind of receiver message (0: none),
  // so that freshness does not follow steps of the wall clock.
  struct HeardAt {
    std::chrono::nanoseconds nav_clock{0};
    std::chrono::nanoseconds sv_info{0};
    std::chrono::nanoseconds time_utc{0};
  };
  const HeardAt& heard_at() const { return heard_at_; }
  // Monotonic time of the last NAV-TIMEUTC, or of the connection when none came since.
  std::chrono::nanoseconds last_time_utc() const { return last_time_utc_; }
  const UbxShare* share() const { return outputs_.share.get(); }
  const ChronySocket* chrony() const { return outputs_.chrony.get(); }
  // Samples chronyd's socket took, and connections after the first (link failures and replugs).
  std::uint64_t chrony_samples() const { return chrony_samples_; }
  std::uint64_t reconnects() const { return reconnects_; }
  const SampleGate& sample_gate() const { return gate_; }
  const HoldoverWatch& holdover() const { return holdover_; }

 private:
  // Moves the next tick so that one falls just after the next second's NAV-TIMEUTC.
  void AlignTo(const ReceiveTime& received);
  void Feed(const SockSample& sample);
  // Keeps the leap second a NAV-TIMELS announces, dated by the latest NAV-TIMEUTC.
  void TakeLeapSeconds(const NavTimeLs& leap, const ReceiveTime& received);

  ClockSession session_;
  MonotonicClock& clock_;
  JournalLog& log_;
  const std::string serial_;
  ClockOutputs outputs_;
  bool serving_ = false;
  ClockIdentity identity_;
  std::optional<DeviceConfiguration> configuration_;
  std::chrono::nanoseconds connected_at_{0};
  std::chrono::nanoseconds next_tick_{0};
  std::chrono::nanoseconds last_heard_{0};
  HeardAt heard_at_;
  std::chrono::nanoseconds last_time_utc_{0};
  std::uint64_t connections_ = 0;
  std::uint64_t reconnects_ = 0;
  std::uint64_t chrony_samples_ = 0;
  SampleGate gate_;
  std::optional<LeapEvent> leap_;
  HoldoverWatch holdover_;
};

}  // namespace orvane
