#include "daemon/control_requests.h"

#include "control/plan_values.h"
#include "daemon/control_operations.h"
#include "daemon/control_readings.h"
#include "engine/input_checks.h"
#include "engine/number_text.h"

namespace orvane {

void ControlDirectory::Add(const std::string& serial, ClockWorker& worker) {
  std::lock_guard lock(mutex_);
  Clock& clock = clocks_[serial];
  clock.worker = &worker;
  clock.entry.serial = serial;
}

void ControlDirectory::Update(const Entry& entry) {
  std::lock_guard lock(mutex_);
  if (const auto found = clocks_.find(entry.serial); found != clocks_.end()) {
    found->second.entry = entry;
  }
}

std::vector<ControlDirectory::Entry> ControlDirectory::List() const {
  std::lock_guard lock(mutex_);
  std::vector<Entry> entries;
  for (const auto& [serial, clock] : clocks_) entries.push_back(clock.entry);
  return entries;
}

ClockWorker* ControlDirectory::Find(const std::optional<std::string>& serial) const {
  std::lock_guard lock(mutex_);
  if (serial) {
    const auto found = clocks_.find(*serial);
    return found != clocks_.end() && found->second.entry.connected ? found->second.worker : nullptr;
  }
  ClockWorker* last = nullptr;
  for (const auto& [name, clock] : clocks_) {
    if (clock.entry.connected) last = clock.worker;
  }
  return last;
}

void ControlDirectory::Forget(ControlClientId client) const {
  std::lock_guard lock(mutex_);
  for (const auto& [serial, clock] : clocks_) clock.worker->clients().Forget(client);
}

namespace {

std::string ListReply(const ControlDirectory& directory, const ControlRequest& request) {
  ControlReply reply(request);
  JsonWriter& json = reply.json();
  json.Key("clocks").BeginArray();
  for (const ControlDirectory::Entry& entry : directory.List()) {
    json.BeginObject().Key("serial").String(entry.serial);
    json.Key("connected").Bool(entry.connected);
    json.Key("path").String(entry.path);
    json.Key("manufacturer").String(entry.manufacturer);
    json.Key("product").String(entry.product);
    json.Key("release").Integer(entry.release);
    json.Key("usable").Bool(entry.problem.empty());
    json.Key("problem").String(entry.problem);
    json.EndObject();
  }
  json.EndArray();
  return reply.Line();
}

ControlError BadArgument(std::string message) {
  return {std::string(control_error::kBadArgument), std::move(message)};
}

// The plan `orvanectl plan --json` prints, under "plan"; no clock is asked.
std::string PlanReply(const ControlRequest& request) {
  const double hz = *request.Number("hz");
  const std::string typed = FormatGeneral(hz);
  if (auto refusal = FrequencyRangeRefusal(hz, typed)) {
    return ControlErrorLine(request.id, BadArgument(*refusal));
  }
  std::optional<DividerRequest> divider_request = DividerRequestOf(request);
  if (!divider_request) {
    return ControlErrorLine(request.id, BadArgument("bw must be a whole number from 0 to 255"));
  }
  const FrequencyPlan plan = PlanFrequency(hz, *divider_request);
  constexpr std::int64_t kDefaultLimit = 10;  // as orvanectl plan
  const std::int64_t limit = request.Integer("limit").value_or(kDefaultLimit);
  const std::size_t shown = request.Bool("all").value_or(false)
                                ? plan.table.CandidateCount()
                                : static_cast<std::size_t>(std::max<std::int64_t>(limit, 0));
  ControlReply reply(request);
  WriteFrequencyPlan(reply.json().Key("plan"), plan, shown);
  return reply.Line();
}

// Leases and subscriptions: bookkeeping of the client's own, answered at once.
std::string ClientReply(ClockWorker& worker, const ControlRequest& request,
                        const ControlPeer& peer) {
  const std::string_view name = request.operation->name;
  ClockClients& clients = worker.clients();
  ControlReply reply(request);
  reply.json().Key("serial").String(worker.serial());
  if (name == "messages") {
    const bool on = *request.Bool("on");
    clients.Lease(peer.client, on);
    reply.json().Key("lease").Bool(on);
  } else if (name == "subscribe") {
    clients.Lease(peer.client, true);
    clients.Subscribe(peer.client);
  } else {
    clients.Unsubscribe(peer.client);
    clients.Lease(peer.client, false);
  }
  return reply.Line();
}

ControlError NoClock(const ControlRequest& request) {
  return {"no-clock", request.serial ? "the service serves no clock " + *request.serial
                                     : std::string("the service serves no clock")};
}

}  // namespace

std::optional<std::string> AnswerControlRequest(const ControlDirectory& directory,
                                                const ControlRequest& request,
                                                const ControlPeer& peer, JournalLog& log) {
  const std::string_view name = request.operation->name;
  if (name == "list") return ListReply(directory, request);
  if (name == "plan") return PlanReply(request);
  ClockWorker* worker = directory.Find(request.serial);
  if (worker == nullptr) return ControlErrorLine(request.id, NoClock(request));
  if (name == "messages" || name == "subscribe" || name == "unsubscribe") {
    return ClientReply(*worker, request, peer);
  }
  const bool queued =
      worker->Submit([outbox = directory.outbox(), request, peer, &log](ServedClock& clock) {
        const std::string_view op = request.operation->name;
        std::string reply = op == "readback" || op == "show" || op == "status"
                                ? ReadingReply(clock, request)
                                : RunClockChange(clock, request, peer, log);
        outbox->Push(peer.client, std::move(reply), true);
      });
  if (!queued) return ControlErrorLine(request.id, NoClock(request));
  return std::nullopt;
}

}  // namespace orvane
