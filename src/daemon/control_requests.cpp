#include "daemon/control_requests.h"

#include <sstream>

#include "control/control_values.h"
#include "control/json_writer.h"
#include "daemon/control_operations.h"

namespace orvane {

void ControlDirectory::Add(const std::string& serial, ClockWorker& worker) {
  std::lock_guard lock(mutex_);
  clocks_[serial].worker = &worker;
}

void ControlDirectory::SetConnected(const std::string& serial, bool connected) {
  std::lock_guard lock(mutex_);
  if (const auto found = clocks_.find(serial); found != clocks_.end()) {
    found->second.connected = connected;
  }
}

std::vector<ControlDirectory::Entry> ControlDirectory::List() const {
  std::lock_guard lock(mutex_);
  std::vector<Entry> entries;
  for (const auto& [serial, clock] : clocks_) entries.push_back({serial, clock.connected});
  return entries;
}

ClockWorker* ControlDirectory::Find(const std::optional<std::string>& serial) const {
  std::lock_guard lock(mutex_);
  if (serial) {
    const auto found = clocks_.find(*serial);
    return found != clocks_.end() && found->second.connected ? found->second.worker : nullptr;
  }
  ClockWorker* last = nullptr;
  for (const auto& [name, clock] : clocks_) {
    if (clock.connected) last = clock.worker;
  }
  return last;
}

namespace {

// A reply's opening: {"id":..,"ok":true
JsonWriter& BeginReply(JsonWriter& json, const ControlRequest& request) {
  json.BeginObject();
  if (request.id) json.Key("id").Integer(*request.id);
  return json.Key("ok").Bool(true);
}

std::string Finish(std::ostringstream& out, JsonWriter& json) {
  json.EndObject();
  out << '\n';
  return out.str();
}

std::string ListReply(const ControlDirectory& directory, const ControlRequest& request) {
  std::ostringstream out;
  JsonWriter json(out);
  BeginReply(json, request).Key("clocks").BeginArray();
  for (const ControlDirectory::Entry& entry : directory.List()) {
    json.BeginObject().Key("serial").String(entry.serial);
    json.Key("connected").Bool(entry.connected).EndObject();
  }
  json.EndArray();
  return Finish(out, json);
}

ControlError NoClock(const ControlRequest& request) {
  return {"no-clock", request.serial ? "the service serves no clock " + *request.serial
                                     : std::string("the service serves no clock")};
}

std::string ReadbackReply(ClockWorker& worker, const ControlRequest& request) {
  std::optional<DeviceConfiguration> configuration;
  std::string serial;
  const bool ran = worker.Operate([&](ServedClock& clock) {
    serial = clock.serial();
    if (clock.connected()) configuration = clock.session().FetchConfiguration();
  });
  if (!ran) return ControlErrorLine(request.id, NoClock(request));
  if (!configuration) {
    return ControlErrorLine(request.id,
                            {"failed", serial + ": the configuration could not be read"});
  }
  std::ostringstream out;
  JsonWriter json(out);
  BeginReply(json, request).Key("serial").String(serial);
  WriteConfiguration(json.Key("configuration"), *configuration);
  return Finish(out, json);
}

// The live status from the telemetry the service's polls keep.
std::string StatusReply(ClockWorker& worker, const ControlRequest& request) {
  std::optional<LiveStatus> status;
  std::string serial;
  const bool ran = worker.Operate([&](ServedClock& clock) {
    serial = clock.serial();
    if (clock.connected() && clock.configuration()) {
      status = LiveStatusOf(clock.session().telemetry(), clock.configuration()->dividers);
    }
  });
  if (!ran || !status) return ControlErrorLine(request.id, NoClock(request));
  std::ostringstream out;
  JsonWriter json(out);
  BeginReply(json, request).Key("serial").String(serial);
  json.Key("status").BeginObject();
  WriteLiveStatusFields(*status, json);
  json.EndObject();
  return Finish(out, json);
}

}  // namespace

std::string AnswerControlRequest(const ControlDirectory& directory, const ControlRequest& request,
                                 const ControlPeer& peer, JournalLog& log) {
  const std::string_view name = request.operation->name;
  if (name == "list") return ListReply(directory, request);
  if (!request.operation->needs_clock) {
    return ControlErrorLine(request.id,
                            {"unsupported", "the service does not answer " + std::string(name) +
                                                " yet; run it without the service"});
  }
  ClockWorker* worker = directory.Find(request.serial);
  if (worker == nullptr) return ControlErrorLine(request.id, NoClock(request));
  if (name == "readback") return ReadbackReply(*worker, request);
  if (name == "status") return StatusReply(*worker, request);
  if (IsServedChange(*request.operation)) {
    std::string reply;
    const bool ran = worker->Operate(
        [&](ServedClock& clock) { reply = RunClockChange(clock, request, peer, log); });
    return ran ? reply : ControlErrorLine(request.id, NoClock(request));
  }
  return ControlErrorLine(request.id,
                          {"unsupported", "the service does not answer " + std::string(name) +
                                              " yet; run it without the service"});
}

}  // namespace orvane
