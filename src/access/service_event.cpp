#include "access/service_event.h"

namespace orvane {
namespace {

std::optional<bool> BoolMember(const JsonValue& object, std::string_view key) {
  const JsonValue* member = object.Find(key);
  if (member == nullptr || member->AsBool() == nullptr) return std::nullopt;
  return *member->AsBool();
}

int HexDigit(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return -1;
}

std::optional<std::vector<std::uint8_t>> BytesOfHex(const std::string& hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return bytes;
}

std::optional<PollOutcome> OutcomeNamed(const std::string& name) {
  if (name == "reports") return PollOutcome::kReports;
  if (name == "nothing-yet") return PollOutcome::kNothingYet;
  if (name == "lost") return PollOutcome::kLost;
  return std::nullopt;
}

// "status": null or its three fields; false when malformed.
bool ReadStatus(const JsonValue& value, std::optional<ReportStatus>& status) {
  if (value.IsNull()) return true;
  const auto losses = WholeMember<std::uint8_t>(value, "signal_loss_count");
  const auto no_signal = BoolMember(value, "no_gnss_signal");
  const auto not_locked = BoolMember(value, "pll_not_locked");
  if (!losses || !no_signal || !not_locked) return false;
  status = ReportStatus{*losses, *no_signal, *not_locked};
  return true;
}

bool ReadReference(const JsonValue& value, std::optional<PllReferenceCounts>& reference) {
  if (value.IsNull()) return true;
  const auto count1 = WholeMember<std::uint64_t>(value, "count1");
  const auto count2 = WholeMember<std::uint64_t>(value, "count2");
  if (!count1 || !count2) return false;
  reference = PllReferenceCounts{*count1, *count2};
  return true;
}

bool ReadReports(const JsonValue& value, std::vector<PollEvent::Report>& reports) {
  const JsonArray* items = value.AsArray();
  if (items == nullptr) return false;
  for (const JsonValue& item : *items) {
    const auto realtime = WholeMember<std::int64_t>(item, "realtime_ns");
    const auto monotonic = WholeMember<std::int64_t>(item, "monotonic_ns");
    const JsonValue* hex = item.Find("stream");
    const std::string* text = hex ? hex->AsString() : nullptr;
    const auto stream = text ? BytesOfHex(*text) : std::nullopt;
    if (!realtime || !monotonic || !stream) return false;
    ReceiveTime received;
    received.realtime = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::nanoseconds(*realtime)));
    received.monotonic = std::chrono::nanoseconds(*monotonic);
    reports.push_back({std::move(*stream), received});
  }
  return true;
}

}  // namespace

std::optional<ServiceEvent> DecodeServiceEvent(const JsonValue& line) {
  const JsonValue* name = line.Find("event");
  const JsonValue* serial = line.Find("serial");
  if (name == nullptr || name->AsString() == nullptr || serial == nullptr ||
      serial->AsString() == nullptr) {
    return std::nullopt;
  }
  ServiceEvent event;
  event.serial = *serial->AsString();
  if (*name->AsString() == "gone" || *name->AsString() == "back") {
    event.kind =
        *name->AsString() == "gone" ? ServiceEvent::Kind::kGone : ServiceEvent::Kind::kBack;
    return event;
  }
  if (*name->AsString() != "poll") return std::nullopt;
  const JsonValue* outcome = line.Find("outcome");
  const JsonValue* status = line.Find("status");
  const JsonValue* reference = line.Find("pll_reference");
  const JsonValue* reports = line.Find("reports");
  const auto named =
      outcome && outcome->AsString() ? OutcomeNamed(*outcome->AsString()) : std::nullopt;
  PollEvent& poll = event.poll;
  if (!named || !status || !reference || !reports || !ReadStatus(*status, poll.status) ||
      !ReadReference(*reference, poll.pll_reference) || !ReadReports(*reports, poll.reports)) {
    return std::nullopt;
  }
  poll.outcome = *named;
  return event;
}

PollResult TakePollEvent(const PollEvent& event, Telemetry& telemetry,
                         const PollListener& listener) {
  PollResult result;
  result.outcome = event.outcome;
  if (event.outcome != PollOutcome::kReports) return result;
  result.poll_interval = ClockSession::kPollInterval;
  result.status = event.status;
  if (event.status) telemetry.set_status(*event.status);
  for (const PollEvent::Report& report : event.reports) {
    if (listener.stream) listener.stream(report.stream, report.received);
    telemetry.Parse(report.stream, report.received, [&](const UbxMessage& message) {
      ++result.frames;
      if (listener.message) listener.message(message);
    });
  }
  if (event.pll_reference) telemetry.set_pll_reference(*event.pll_reference);
  result.pll_reference = event.pll_reference;
  return result;
}

}  // namespace orvane
