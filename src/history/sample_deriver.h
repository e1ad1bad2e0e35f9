#pragma once

#include <cstdint>
#include <optional>

#include "engine/telemetry.h"
#include "history/history_sample.h"
#include "protocol/status_report.h"

namespace orvane {

// One clock's samples as every recorder of them sees it: each NAV-CLOCK with the satellite counts
// of the clock's latest NAV-SVINFO and the flags of its latest status report.
class SampleDeriver {
 public:
  // NAV-SVINFO updates the counts; NAV-CLOCK gives a sample (clock tag 0).
  std::optional<HistorySample> Take(const UbxMessage& message,
                                    const std::optional<ReportStatus>& status);

 private:
  std::uint8_t used_ = 0;
  std::uint8_t seen_ = 0;
  std::uint16_t mean_cno_centi_ = 0;
};

}  // namespace orvane
