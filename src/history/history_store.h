#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/telemetry.h"
#include "history/sample_deriver.h"
#include "history/sample_ring.h"
#include "history/sky_view.h"
#include "protocol/status_report.h"

namespace orvane {

// Everything the program recorded of its clocks during its run: one sample per NAV-CLOCK in one
// bounded ring (tagged with the clock that sent it), and each clock's sky view.
class HistoryStore {
 public:
  explicit HistoryStore(std::size_t capacity = SampleRing::kWeekAt4Hz) : samples_(capacity) {}

  // One message of the clock `serial`; `status` is its latest status report. NAV-SVINFO updates
  // the satellite counts and the sky, NAV-CLOCK adds a sample.
  void Take(const std::string& serial, const UbxMessage& message,
            const std::optional<ReportStatus>& status);

  const SampleRing& samples() const { return samples_; }
  // The tag of `serial`'s samples; nullopt before its first message.
  std::optional<std::uint8_t> ClockIndex(const std::string& serial) const;
  const SkyView& sky(std::uint8_t clock) const { return clocks_[clock].sky; }
  // Counts the samples added, so that a view redraws only when something changed.
  std::uint64_t revision() const { return revision_; }

 private:
  struct Clock {
    std::string serial;
    SkyView sky;
    SampleDeriver samples;
  };

  Clock& ClockOf(const std::string& serial, std::uint8_t& index);

  SampleRing samples_;
  std::vector<Clock> clocks_;
  std::uint64_t revision_ = 0;
};

}  // namespace orvane
