#include "daemon/served_clock.h"

#include "daemon/utc_of_message.h"

namespace orvane {

ServedClock::ServedClock(HidBackend& backend, TraceLog& trace, MonotonicClock& clock,
                         JournalLog& log, std::string serial, SampleGateSettings gate)
    : session_(backend, trace, clock),
      clock_(clock),
      log_(log),
      serial_(std::move(serial)),
      gate_(gate) {}

bool ServedClock::Connect(ClockSession::OpenResult* refused) {
  const ClockSession::Connection connection = session_.Connect(serial_);
  *refused = connection.open;
  connected_at_ = clock_.Now();
  last_heard_ = connected_at_;
  last_time_utc_ = connected_at_;
  next_tick_ = connected_at_ + kPollInterval;
  if (!connection.open.opened) return false;
  // The feed relies on them, whatever the receiver sends unasked.
  session_.StartTimeMessages();
  identity_ = connection.identity;
  configuration_ = connection.configuration;
  if (connections_++ > 0) ++reconnects_;
  return true;
}

void ServedClock::Serve(ClockOutputs outputs) {
  outputs_ = std::move(outputs);
  serving_ = true;
}

bool ServedClock::Tick(PollEvent* event) {
  const std::chrono::nanoseconds now = clock_.Now();
  // On the schedule, not on the time this tick ran: wake-up delays must not add up.
  next_tick_ += kPollInterval;
  if (next_tick_ <= now) next_tick_ = now + kPollInterval;
  PollListener poll;
  poll.stream = [&](std::span<const std::uint8_t> bytes, const ReceiveTime& received) {
    if (outputs_.share) outputs_.share->Publish(bytes);
    if (event) event->reports.push_back({{bytes.begin(), bytes.end()}, received});
  };
  poll.message = [&](const UbxMessage& message) {
    last_heard_ = now;
    if (message.nav_clock) heard_at_.nav_clock = now;
    if (message.sv_info) heard_at_.sv_info = now;
    if (message.time_utc) heard_at_.time_utc = now;
    if (outputs_.log) outputs_.log->Take(message, session_.telemetry().status());
    if (message.time_ls != nullptr) TakeLeapSeconds(*message.time_ls, message.received);
    if (message.time_utc == nullptr) return;
    last_time_utc_ = now;
    AlignTo(message.received);
    if (now - connected_at_ < kSettleTime) return;
    const SampleGate::Verdict verdict =
        gate_.Judge(*message.time_utc, session_.telemetry().status());
    if (verdict.change) {
      log_.Write(verdict.send ? LogPriority::kNotice : LogPriority::kWarning,
                 serial_ + ": " + *verdict.change);
    }
    const std::optional<RealTime> utc = UtcOfMessage(*message.time_utc);
    if (!verdict.send || !utc) return;
    Feed(MakeSockSample(
        std::chrono::time_point_cast<std::chrono::nanoseconds>(message.epoch_began.realtime), *utc,
        LeapIndicatorAt(leap_, *utc)));
  };
  const PollResult result = session_.Poll(poll);
  if (event) {
    event->outcome = result.outcome;
    event->status = result.status;
    event->pll_reference = result.pll_reference;
  }
  const bool lost = result.outcome == PollOutcome::kLost;
  holdover_.Observe(lost ? std::nullopt : session_.telemetry().status(), now);
  return !lost;
}

void ServedClock::TakeLeapSeconds(const NavTimeLs& leap, const ReceiveTime& received) {
  const auto& time = session_.telemetry().time_utc();
  const std::optional<RealTime> utc = time ? UtcOfMessage(time->value) : std::nullopt;
  if (!utc) return;  // kept as it was: without a date the announcement cannot be placed
  leap_ = AnnouncedLeap(leap, *utc + (received.realtime - time->received.realtime));
}

void ServedClock::Feed(const SockSample& sample) {
  if (outputs_.sample_sink) {
    outputs_.sample_sink(serial_, sample);
    return;
  }
  if (!outputs_.chrony) return;
  if (const std::optional<std::string> change = outputs_.chrony->Send(sample)) {
    const bool ok = outputs_.chrony->state() == ChronySocketState::kOk;
    log_.Write(ok ? LogPriority::kNotice : LogPriority::kWarning, serial_ + ": " + *change);
  }
  if (outputs_.chrony->state() == ChronySocketState::kOk) ++chrony_samples_;
}

void ServedClock::AlignTo(const ReceiveTime& received) {
  // Backends stamp monotonic time on bases of their own; the wall clock is common to all.
  const std::chrono::nanoseconds now = clock_.Now();
  const std::chrono::nanoseconds age = clock_.RealtimeAt(now) - received.realtime;
  const std::chrono::nanoseconds expected = now - age + std::chrono::seconds(1) + kArrivalMargin;
  std::chrono::nanoseconds wait =
      ((expected - now) % kPollInterval + kPollInterval) % kPollInterval;
  // Never much sooner than the design's rate: a poll that finds nothing waits for a report.
  if (wait < kPollInterval / 2) wait += kPollInterval;
  next_tick_ = now + wait;
}

void ServedClock::Stop() {
  if (connected()) {
    session_.StopTimeMessages();
    session_.StopStatusMessages();
  }
  session_.DropLink();
}

}  // namespace orvane
