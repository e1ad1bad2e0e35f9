#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <sstream>
#include <vector>

#include "device/hid/tracing_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "sim/simulated_backend.h"

namespace orvane {

using Bytes = std::vector<std::uint8_t>;

// What a test sets and sees of the receivers a device makes, one per power-up.
struct FakeReceiverState {
  bool has_signal = true;
  double drift_ppb = 0;
  int power_ups = 0;
  std::vector<Bytes> received;  // the payloads of the CFG-MSG messages the receivers took

  ReceiverFactory Factory();
};

// A receiver that sends nothing: tests that need a stream script the input reports themselves.
class FakeReceiver : public ReceiverStream {
 public:
  explicit FakeReceiver(FakeReceiverState& state) : state_(state) {}

  void EmitUntil(std::chrono::nanoseconds, Bytes&) override {}
  void Receive(std::uint8_t msg_class, std::uint8_t msg_id,
               std::span<const std::uint8_t> payload) override {
    if (msg_class == 0x06 && msg_id == 0x01)
      state_.received.emplace_back(payload.begin(), payload.end());
  }
  bool HasSignal(std::chrono::nanoseconds) const override { return state_.has_signal; }
  double ClockDriftPpb(std::chrono::nanoseconds) const override { return state_.drift_ppb; }

 private:
  FakeReceiverState& state_;
};

inline ReceiverFactory FakeReceiverState::Factory() {
  return [this] {
    ++power_ups;
    return std::make_unique<FakeReceiver>(*this);
  };
}

// Simulated clocks on a manual clock, every exchange traced into `trace_text`: nothing sleeps.
struct SimRig {
  // A clock whose receivers are `receiver`'s unless `options` has others.
  ClockDevice& AddClock(ClockDeviceOptions options = {}) {
    if (!options.make_receiver) options.make_receiver = receiver.Factory();
    return sim.AddDevice(std::move(options));
  }

  FakeReceiverState receiver;
  ManualClock clock;
  std::ostringstream trace_text;
  TraceLog trace{&trace_text, clock};
  SimulatedBackend sim{clock};
  TracingBackend traced{sim, trace};
};

// A zero-filled feature report of `length` bytes: report ID 0, the command code, then `payload`.
inline Bytes Command(std::uint8_t code, std::initializer_list<std::uint8_t> payload = {},
                     std::size_t length = 64) {
  Bytes report(length, 0);
  report[1] = code;
  std::copy(payload.begin(), payload.end(), report.begin() + 2);
  return report;
}

// The factory's divider set in stored form, as the PLL configuration command carries it.
inline Bytes FactoryPllCommand() {
  return Command(4, {0x78, 0xDE, 0x2B, 0x02, 0, 0, 0x07, 0xDF, 0x01, 0, 0x07, 0x2D, 0, 0, 0x2D, 0,
                     0, 0, 0x0F});
}

}  // namespace orvane
