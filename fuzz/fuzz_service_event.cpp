// Feeds arbitrary bytes to orvanectl's reading of the service's event lines: the JSON, the event
// decoder, and a poll event's stream into a telemetry as a subscription's tick takes it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "access/service_event.h"
#include "device/monotonic_clock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvane::JsonParseResult parsed =
      orvane::ParseJson(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!parsed.value) return 0;
  const std::optional<orvane::ServiceEvent> event = orvane::DecodeServiceEvent(*parsed.value);
  if (!event || event->kind != orvane::ServiceEvent::Kind::kPoll) return 0;
  orvane::ManualClock clock;
  orvane::TraceLog trace(nullptr, clock);
  const std::string serial = event->serial;
  orvane::Telemetry telemetry(trace, serial);
  orvane::TakePollEvent(event->poll, telemetry, {});
  return 0;
}
