#include "access/service_access.h"

#include <algorithm>

#include "access/service_event.h"
#include "control/constellation_names.h"
#include "control/control_values.h"
#include "control/drive_strengths.h"

namespace orvane {
namespace {

constexpr unsigned kDetectedAndLoaded = kNeedsDetected | kNeedsConfigLoaded;
// The problem the service gives a clock it served that has left.
constexpr char kNotAttached[] = "not attached";

std::string StringMember(const JsonValue& object, std::string_view key) {
  const JsonValue* member = object.Find(key);
  return member && member->AsString() ? *member->AsString() : std::string();
}

std::optional<std::string> OptionalString(const JsonValue& object, std::string_view key) {
  const JsonValue* member = object.Find(key);
  if (member == nullptr || member->AsString() == nullptr) return std::nullopt;
  return *member->AsString();
}

std::uint16_t ReleaseMember(const JsonValue& object) {
  return WholeMember<std::uint16_t>(object, "release").value_or(0);
}

bool IsError(const JsonValue& reply, std::string_view code) {
  const JsonValue* ok = reply.Find("ok");
  return ok && ok->AsBool() && !*ok->AsBool() && StringMember(reply, "error") == code;
}

AccessError ErrorOf(const JsonValue& reply) {
  const std::string code = StringMember(reply, "error");
  const std::string message = StringMember(reply, "message");
  if (code == "read-only") return AccessError(AccessError::Kind::kRefused, message);
  if (code == "no-clock") return AccessError(AccessError::Kind::kNoClock, message);
  if (code == "bad-argument") return AccessError(AccessError::Kind::kBadArgument, message);
  return AccessError(AccessError::Kind::kFailed, "the service: " + message + " (" + code + ")");
}

std::optional<DeviceConfiguration> ConfigurationOf(const JsonValue& reply) {
  const JsonValue* configuration = reply.Find("configuration");
  return configuration ? ConfigurationFromJson(*configuration) : std::nullopt;
}

}  // namespace

ServiceAccess::ServiceAccess(std::unique_ptr<ControlConnection> connection, TraceLog& trace,
                             MonotonicClock& clock, Failures failures)
    : trace_(trace),
      failures_(failures),
      connection_(std::move(connection)),
      clock_(clock),
      telemetry_(trace, serial_) {}

ServiceAccess::~ServiceAccess() = default;

AccessError ServiceAccess::Silence(std::string_view op) const {
  return AccessError(AccessError::Kind::kFailed, "the service at " + connection_->path() +
                                                     " did not answer " + std::string(op));
}

JsonValue ServiceAccess::Answer(std::string_view op, const std::optional<std::string>& serial,
                                const ControlConnection::Members& args) {
  std::optional<JsonValue> reply = connection_->Ask(op, serial, args);
  if (!reply) throw Silence(op);
  const JsonValue* ok = reply->Find("ok");
  if (ok == nullptr || ok->AsBool() == nullptr || !*ok->AsBool()) throw ErrorOf(*reply);
  return std::move(*reply);
}

std::optional<JsonValue> ServiceAccess::Change(std::string_view op,
                                               const ControlConnection::Members& args) {
  std::optional<JsonValue> reply = connection_->Ask(op, serial_, args);
  // Never asked again: a change that went unanswered may still have been made.
  if (!reply) throw Silence(op);
  if (IsError(*reply, "failed")) return std::nullopt;
  const JsonValue* ok = reply->Find("ok");
  if (ok == nullptr || ok->AsBool() == nullptr || !*ok->AsBool()) throw ErrorOf(*reply);
  return reply;
}

std::optional<JsonValue> ServiceAccess::GuardedChange(unsigned guards, std::string_view op,
                                                      const ControlConnection::Members& args) {
  // A command line asks only what it means to, connected or not; the guards are the window's.
  if (failures_ == Failures::kThrow) return Change(op, args);
  if (!GuardsHold(guards)) return std::nullopt;
  try {
    return Change(op, args);
  } catch (const AccessError& error) {
    if (error.kind() == AccessError::Kind::kRefused ||
        error.kind() == AccessError::Kind::kBadArgument) {
      trace_.Write(serial_, "refused", std::string(op) + ": " + error.what());
      if (show_refusal_) show_refusal_(error.what());
    } else {
      Lose();
    }
    return std::nullopt;
  }
}

bool ServiceAccess::GuardsHold(unsigned guards) const {
  return (!(guards & kNeedsListReady) || list_ready_) &&
         (!(guards & kNeedsDetected) || detected_) &&
         (!(guards & kNeedsConfigLoaded) || config_loaded_);
}

PollResult ServiceAccess::Lose() {
  trace_.Write(serial_, "lost", path_);
  detected_ = false;
  config_loaded_ = false;
  PollResult lost;
  lost.outcome = PollOutcome::kLost;
  lost.poll_interval = ClockSession::kSearchInterval;
  return lost;
}

std::vector<ListedClock> ServiceAccess::ServiceList(bool served_only) {
  const JsonValue reply = Answer("list", std::nullopt);
  std::vector<ListedClock> listed;
  const JsonValue* clocks = reply.Find("clocks");
  if (clocks == nullptr || clocks->AsArray() == nullptr) return listed;
  for (const JsonValue& entry : *clocks->AsArray()) {
    const JsonValue* connected = entry.Find("connected");
    const bool served = connected && connected->AsBool() && *connected->AsBool();
    const std::string problem = StringMember(entry, "problem");
    // The service remembers clocks that left ("not attached"); a list shows attached ones only.
    if (!served && (served_only || problem.empty() || problem == kNotAttached)) continue;
    listed.push_back({{StringMember(entry, "serial"), StringMember(entry, "path"),
                       StringMember(entry, "manufacturer"), StringMember(entry, "product"),
                       ReleaseMember(entry)},
                      problem});
  }
  return listed;
}

std::vector<AttachedClock> ServiceAccess::ListClocks() {
  std::vector<AttachedClock> clocks;
  for (ListedClock& listed : ServiceList(true)) clocks.push_back(std::move(listed.clock));
  return clocks;
}

AccessConnection ServiceAccess::Connect(const std::string& serial) {
  const JsonValue reply = Answer("readback", serial);
  serial_ = StringMember(reply, "serial");
  path_ = StringMember(reply, "path");
  AccessConnection connection;
  connection.open.opened = true;
  connection.usable = true;
  if (const JsonValue* identity = reply.Find("identity")) {
    connection.identity = {OptionalString(*identity, "manufacturer"),
                           OptionalString(*identity, "product"), ReleaseMember(*identity)};
  }
  connection.configuration = ConfigurationOf(reply);
  Answer("subscribe", serial_);
  subscribed_ = true;
  detected_ = true;
  config_loaded_ = true;
  list_ready_ = true;
  return connection;
}

void ServiceAccess::Rescan(const std::function<void(const std::vector<AttachedClock>&)>& show) {
  list_ready_ = false;
  std::vector<AttachedClock> clocks;
  try {
    clocks = ListClocks();
  } catch (const AccessError&) {
    // A service that cannot list its clocks has none to offer.
  }
  show(clocks);
  list_ready_ = true;
}

ClockSession::OpenResult ServiceAccess::Open(const std::string& serial, bool) {
  detected_ = false;
  config_loaded_ = false;
  ClockSession::OpenResult result;
  try {
    const std::vector<AttachedClock> served = ListClocks();
    const bool listed = std::any_of(served.begin(), served.end(), [&](const AttachedClock& clock) {
      return clock.serial == serial;
    });
    if (serial.empty() || !listed) return result;
    const bool list_ready = list_ready_;
    const AccessConnection connection = Connect(serial);
    list_ready_ = list_ready;
    config_loaded_ = false;
    identity_ = connection.identity;
    opened_configuration_ = connection.configuration;
  } catch (const AccessError&) {
    detected_ = false;
    return result;
  }
  telemetry_.Restart();
  last_event_ = clock_.Now();
  result.opened = true;
  return result;
}

ClockSession::Reselection ServiceAccess::Reselect(const std::string& serial) {
  ClockSession::Reselection reselection;
  if (detected_) {
    Disconnect(false);
    detected_ = false;
    config_loaded_ = false;
    reselection.poll_interval = ClockSession::kSearchInterval;
  }
  reselection.open = Open(serial, false);
  return reselection;
}

std::optional<ClockSession::StoredState> ServiceAccess::ReadStoredState() {
  config_loaded_ = false;
  if (!detected_) return std::nullopt;
  ClockSession::StoredState stored;
  stored.identity = identity_;
  stored.usable = true;
  if (opened_configuration_) {
    stored.configuration = std::move(*opened_configuration_);
    opened_configuration_.reset();
  } else {
    stored.configuration = FetchConfiguration();
  }
  return stored;
}

PollResult ServiceAccess::Poll(const PollListener& listener) {
  PollResult result;
  if (!detected_) return result;
  result.outcome = PollOutcome::kNothingYet;
  while (const std::optional<JsonValue> line = connection_->NextEvent({})) {
    const std::optional<ServiceEvent> event = DecodeServiceEvent(*line);
    if (!event || event->serial != serial_ || event->kind == ServiceEvent::Kind::kBack) continue;
    if (event->kind == ServiceEvent::Kind::kGone) return Lose();
    const PollResult taken = TakePollEvent(event->poll, telemetry_, listener);
    if (taken.outcome == PollOutcome::kLost) return Lose();
    last_event_ = clock_.Now();
    if (taken.outcome != PollOutcome::kReports) continue;
    // The first status speaks for the tick, as the first report of a read does directly.
    if (result.outcome != PollOutcome::kReports) result.status = taken.status;
    result.outcome = PollOutcome::kReports;
    result.poll_interval = taken.poll_interval;
    if (taken.pll_reference) result.pll_reference = taken.pll_reference;
    result.frames += taken.frames;
  }
  if (connection_->closed() || clock_.Now() - last_event_ > ClockSession::kSilenceLimit) {
    return Lose();
  }
  return result;
}

void ServiceAccess::Close() {
  if (detected_) Disconnect(false);
  detected_ = false;
  config_loaded_ = false;
  list_ready_ = false;
}

PollResult ServiceAccess::Tick(const PollListener& listener) {
  PollResult lost;
  lost.outcome = PollOutcome::kLost;
  const auto deadline = std::chrono::steady_clock::now() + kEventWait;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const std::optional<JsonValue> line = connection_->NextEvent(std::max(left, {}));
    if (!line) return lost;
    const std::optional<ServiceEvent> event = DecodeServiceEvent(*line);
    if (!event || event->serial != serial_ || event->kind == ServiceEvent::Kind::kBack) continue;
    if (event->kind == ServiceEvent::Kind::kGone) return lost;
    return TakePollEvent(event->poll, telemetry_, listener);
  }
}

std::optional<DeviceConfiguration> ServiceAccess::FetchConfiguration() {
  const std::optional<JsonValue> reply = GuardedChange(kNeedsDetected, "readback");
  return reply ? ConfigurationOf(*reply) : std::nullopt;
}

bool ServiceAccess::SetOutputEnabled(bool enabled) {
  return GuardedChange(kDetectedAndLoaded, "output",
                       [&](JsonWriter& json) { json.Key("on").Bool(enabled); })
      .has_value();
}

bool ServiceAccess::ToggleLedBlink() {
  return GuardedChange(kDetectedAndLoaded, "blink").has_value();
}

bool ServiceAccess::SetDriveStrength(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kDriveMilliamps))) return false;
  return GuardedChange(kNeedsListReady | kDetectedAndLoaded, "drive",
                       [&](JsonWriter& json) { json.Key("ma").Integer(kDriveMilliamps[index]); })
      .has_value();
}

bool ServiceAccess::SetConstellations(std::uint8_t mask) {
  return GuardedChange(kDetectedAndLoaded, "constellations",
                       [&](JsonWriter& json) {
                         json.Key("names").BeginArray();
                         for (const std::string& name : ConstellationNamesOf(mask))
                           json.String(name);
                         json.EndArray();
                       })
      .has_value();
}

bool ServiceAccess::StoreCorrection(std::int16_t ppb) {
  return GuardedChange(kNeedsDetected, "correction",
                       [&](JsonWriter& json) { json.Key("ppb").Integer(ppb); })
      .has_value();
}

bool ServiceAccess::Sleep() { return GuardedChange(kDetectedAndLoaded, "sleep").has_value(); }

bool ServiceAccess::WriteRegister(std::uint8_t address, std::uint8_t value) {
  return GuardedChange(
             kDetectedAndLoaded, "register",
             [&](JsonWriter& json) { json.Key("reg").Integer(address).Key("data").Integer(value); })
      .has_value();
}

bool ServiceAccess::ProgramPll(const PllDividers& dividers) {
  return GuardedChange(
             kDetectedAndLoaded, "program",
             [&](JsonWriter& json) {
               json.Key("gps").Integer(dividers.gps).Key("n31").Integer(dividers.n31);
               json.Key("n2hs").Integer(dividers.n2_hs).Key("n2ls").Integer(dividers.n2_ls);
               json.Key("n1hs").Integer(dividers.n1_hs).Key("nc1ls").Integer(dividers.nc1_ls);
               json.Key("nc2ls").Integer(dividers.nc2_ls).Key("bw").Integer(dividers.bw);
             })
      .has_value();
}

std::optional<PllDividers> ServiceAccess::SetFrequency(const FrequencyOrder& order) {
  const DividerRequest& request = order.request;
  const std::optional<JsonValue> reply =
      GuardedChange(kDetectedAndLoaded, "set-frequency", [&](JsonWriter& json) {
        json.Key("hz").Number(order.hz);
        if (request.vco_index)
          json.Key("vco").Integer(static_cast<std::int64_t>(*request.vco_index));
        if (request.n2_hs) json.Key("n2hs").Integer(*request.n2_hs);
        if (request.n2_ls) json.Key("n2ls").Integer(*request.n2_ls);
        json.Key("bw").Integer(request.bw);
      });
  if (!reply) return std::nullopt;
  const JsonValue* fields = reply->Find("dividers");
  std::optional<PllDividers> dividers = fields ? DividersFromJson(*fields) : std::nullopt;
  if (!dividers) {
    throw AccessError(AccessError::Kind::kFailed, "the service's reply names no dividers");
  }
  return dividers;
}

bool ServiceAccess::WriteSerialNumber(const std::string& serial) {
  const bool sent = GuardedChange(kNeedsDetected, "serial", [&](JsonWriter& json) {
                      json.Key("new_serial").String(serial);
                    }).has_value();
  // The clock leaves the service and comes back under its new serial.
  detected_ = false;
  config_loaded_ = false;
  return sent;
}

FactoryDefaultsOutcome ServiceAccess::FactoryDefaults(const DeviceConfiguration&,
                                                      const std::string& serial_for_unset) {
  const std::optional<JsonValue> reply = GuardedChange(
      kNeedsDetected, "factory-defaults",
      [&](JsonWriter& json) { json.Key("serial_for_unset").String(serial_for_unset); });
  if (!reply) return {};
  if (std::optional<std::string> new_serial = OptionalString(*reply, "new_serial")) {
    return {std::move(new_serial), std::nullopt};
  }
  return {std::nullopt, ConfigurationOf(*reply)};
}

void ServiceAccess::Disconnect(bool) {
  // The service keeps its rates; only this client's lease ends (closing would end it too).
  if (subscribed_) connection_->Ask("unsubscribe", serial_);
  subscribed_ = false;
}

}  // namespace orvane
