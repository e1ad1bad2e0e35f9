#include "daemon/control_readings.h"

#include "control/control_values.h"

namespace orvane {
namespace {

void WriteOptionalText(JsonWriter& json, const char* key, const std::optional<std::string>& text) {
  json.Key(key);
  if (text) {
    json.String(*text);
  } else {
    json.Null();
  }
}

void WriteStatus(JsonWriter& json, const LiveStatus& status) {
  json.Key("status").BeginObject();
  WriteLiveStatusFields(status, json);
  json.EndObject();
}

}  // namespace

std::string ReadingReply(ServedClock& clock, const ControlRequest& request) {
  const std::string_view name = request.operation->name;
  if (!clock.connected()) {
    return ControlErrorLine(request.id, {"no-clock", clock.serial() + " is not connected"});
  }
  std::optional<LiveStatus> status;
  if (clock.configuration()) {
    status = LiveStatusOf(clock.session().telemetry(), clock.configuration()->dividers);
  }
  if (name == "status") {
    if (!status) {
      return ControlErrorLine(request.id, {"no-clock", clock.serial() + " has no status yet"});
    }
    ControlReply reply(request);
    reply.json().Key("serial").String(clock.serial());
    WriteStatus(reply.json(), *status);
    return reply.Line();
  }
  const std::optional<DeviceConfiguration> configuration = clock.session().FetchConfiguration();
  if (!configuration) {
    return ControlErrorLine(request.id,
                            {"failed", clock.serial() + ": the configuration could not be read"});
  }
  ControlReply reply(request);
  JsonWriter& json = reply.json();
  json.Key("serial").String(clock.serial());
  json.Key("path").String(clock.session().link().DevicePathName());
  const ClockIdentity& identity = clock.identity();
  json.Key("identity").BeginObject();
  WriteOptionalText(json, "manufacturer", identity.manufacturer);
  WriteOptionalText(json, "product", identity.product);
  json.Key("release").Integer(identity.release);
  json.EndObject();
  WriteConfiguration(json.Key("configuration"), *configuration);
  if (name == "show" && status) WriteStatus(json, *status);
  return reply.Line();
}

}  // namespace orvane
