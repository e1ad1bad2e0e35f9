#include "control/poll_events.h"

#include <sstream>

#include "control/json_writer.h"

namespace orvane {
namespace {

std::string_view OutcomeName(PollOutcome outcome) {
  switch (outcome) {
    case PollOutcome::kReports:
      return "reports";
    case PollOutcome::kNothingYet:
      return "nothing-yet";
    case PollOutcome::kLost:
    case PollOutcome::kNotOpen:
      break;
  }
  return "lost";
}

std::string LowerHex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xf];
  }
  return text;
}

std::string Line(std::ostringstream& out) {
  out << '\n';
  return out.str();
}

}  // namespace

std::string PollEventLine(const std::string& serial, const PollEvent& event) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject().Key("event").String("poll").Key("serial").String(serial);
  json.Key("outcome").String(OutcomeName(event.outcome));
  json.Key("status");
  if (event.status) {
    json.BeginObject();
    json.Key("signal_loss_count").Integer(event.status->signal_loss_count);
    json.Key("no_gnss_signal").Bool(event.status->no_gnss_signal);
    json.Key("pll_not_locked").Bool(event.status->pll_not_locked);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("pll_reference");
  if (event.pll_reference) {
    json.BeginObject();
    json.Key("count1").Integer(static_cast<std::int64_t>(event.pll_reference->count1));
    json.Key("count2").Integer(static_cast<std::int64_t>(event.pll_reference->count2));
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("reports").BeginArray();
  for (const PollEvent::Report& report : event.reports) {
    json.BeginObject();
    json.Key("realtime_ns")
        .Integer(std::chrono::duration_cast<std::chrono::nanoseconds>(
                     report.received.realtime.time_since_epoch())
                     .count());
    json.Key("monotonic_ns").Integer(report.received.monotonic.count());
    json.Key("stream").String(LowerHex(report.stream));
    json.EndObject();
  }
  json.EndArray().EndObject();
  return Line(out);
}

std::string ClockEventLine(const std::string& event, const std::string& serial) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject().Key("event").String(event).Key("serial").String(serial).EndObject();
  return Line(out);
}

}  // namespace orvane
