// Feeds the simulated device's command decoder a session of feature reports of any length: byte 0
// is the device's feature report length, then records of [report length][wait][report bytes].
// Each report goes through the layout check and into the device, followed by a fetch.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/monotonic_clock.h"
#include "protocol/commands.h"
#include "sim/clock_device.h"
#include "sim/command_check.h"
#include "sim/receiver_model.h"

namespace {

constexpr int kInputReportLength = 64;
// A wait byte counts eighths of a millisecond. The whole session lasts at most this long: enough
// for the PLL to settle and a new serial to enumerate, without every input costing many ticks.
constexpr std::chrono::milliseconds kSessionLength{1600};

// The receiver model on a fixed start time, so that an input always runs the same way.
std::unique_ptr<orvane::ReceiverStream> FixedReceiver() {
  using namespace std::chrono;
  return std::make_unique<orvane::ReceiverModel>(1, sys_days{2024y / 1 / 1} + hours(12));
}

// A report the check passes is one a conforming host could send.
void CheckVerdict(std::span<const std::uint8_t> report, std::size_t feature_length,
                  const std::vector<std::string>& faults) {
  if (!faults.empty()) return;
  const std::size_t needed = report.size() < 2 ? 0 : orvane::CommandLength(report[1]);
  if (report.size() != feature_length || needed == 0 || report.size() < needed || report[0] != 0) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  orvane::ManualClock clock;
  orvane::ClockDevice device({.make_receiver = FixedReceiver}, clock);
  device.SetReportLengths(data[0], kInputReportLength);
  const auto feature_length = static_cast<std::size_t>(device.feature_report_length());

  std::span<const std::uint8_t> rest(data + 1, size - 1);
  std::vector<std::uint8_t> fetched(feature_length);
  std::chrono::milliseconds elapsed{0};
  while (rest.size() >= 2) {
    const std::size_t length = std::min<std::size_t>(rest[0], rest.size() - 2);
    const auto wait = std::min(std::chrono::milliseconds(rest[1] / 8), kSessionLength - elapsed);
    elapsed += wait;
    clock.Advance(wait);
    const auto report = rest.subspan(2, length);
    rest = rest.subspan(2 + length);

    const std::vector<std::string> faults = orvane::CheckCommandReport(report, feature_length);
    CheckVerdict(report, feature_length, faults);
    const std::size_t violations = device.violations().size();
    if (device.SetFeature(report) && device.violations().size() - violations != faults.size()) {
      __builtin_trap();
    }
    std::fill(fetched.begin(), fetched.end(), 0);
    (void)device.GetFeature(fetched);
  }
  return 0;
}
