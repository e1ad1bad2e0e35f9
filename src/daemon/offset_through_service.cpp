#include "daemon/offset_through_service.h"

#include <memory>
#include <vector>

#include "access/service_access.h"
#include "access/service_socket.h"
#include "daemon/utc_of_message.h"
#include "service/chrony_sample.h"

namespace orvane {
namespace {

// As the service's own feed: the first samples of a stream are not dated by an epoch yet.
constexpr std::chrono::seconds kSettleTime{2};

// One served clock's subscription and the gate its samples pass.
struct Subscription {
  std::unique_ptr<ServiceAccess> access;
  SampleGate gate;
  std::chrono::nanoseconds since;
};

}  // namespace

std::optional<std::map<std::string, OffsetEstimate>> EstimateOffsetsThroughService(
    const std::string& socket, std::chrono::nanoseconds duration, SampleGateSettings gate,
    MonotonicClock& clock, TraceLog& trace, const std::function<bool()>& stopped) {
  if (!ControlSocketExists(socket)) return std::nullopt;
  std::string error;
  std::unique_ptr<ControlConnection> listing = ConnectToService(socket, &error);
  if (!listing) return std::nullopt;
  std::vector<Subscription> subscriptions;
  for (const AttachedClock& attached :
       ServiceAccess(std::move(listing), trace, clock).ListClocks()) {
    std::unique_ptr<ControlConnection> connection = ConnectToService(socket, &error);
    if (!connection) continue;
    auto access = std::make_unique<ServiceAccess>(std::move(connection), trace, clock);
    try {
      access->Connect(attached.serial);
    } catch (const AccessError&) {
      continue;  // gone since the list: nothing to estimate
    }
    subscriptions.push_back({std::move(access), SampleGate(gate), clock.Now()});
  }
  if (subscriptions.empty()) return std::nullopt;

  std::map<std::string, OffsetEstimate> estimates;
  const std::chrono::nanoseconds end = clock.Now() + duration;
  while (clock.Now() < end && !stopped()) {
    for (Subscription& subscription : subscriptions) {
      ServiceAccess& access = *subscription.access;
      PollListener listener;
      listener.message = [&](const UbxMessage& message) {
        if (message.time_utc == nullptr || clock.Now() - subscription.since < kSettleTime) return;
        const std::optional<RealTime> utc = UtcOfMessage(*message.time_utc);
        if (!utc || !subscription.gate.Judge(*message.time_utc, access.telemetry().status()).send) {
          return;
        }
        estimates[access.serial()].Add(
            MakeSockSample(std::chrono::time_point_cast<std::chrono::nanoseconds>(
                               message.epoch_began.realtime),
                           *utc, LeapIndicator::kNone)
                .offset);
      };
      access.Tick(listener);
    }
  }
  for (Subscription& subscription : subscriptions) subscription.access->Disconnect(false);
  return estimates;
}

}  // namespace orvane
