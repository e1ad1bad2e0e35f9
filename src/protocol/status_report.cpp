#include "protocol/status_report.h"

#include <algorithm>

namespace orvane {

std::optional<ReportStatus> DecodeReportStatus(std::span<const std::uint8_t> reads) {
  if (reads.size() < kStatusLength) return std::nullopt;
  const std::uint8_t flags = reads[2];
  return ReportStatus{.signal_loss_count = reads[1],
                      .no_gnss_signal = (flags & kNoGnssSignalFlag) != 0,
                      .pll_not_locked = (flags & kPllNotLockedFlag) != 0};
}

void EncodeStatusReport(const ReportStatus& status, std::span<const std::uint8_t> stream,
                        std::span<std::uint8_t> report) {
  std::fill(report.begin(), report.end(), 0);
  report[1] = status.signal_loss_count;
  report[2] = (status.no_gnss_signal ? kNoGnssSignalFlag : 0) |
              (status.pll_not_locked ? kPllNotLockedFlag : 0) |
              (stream.empty() ? 0 : kCarriesStreamFlag);
  const auto room = report.subspan(kStatusLength);
  std::copy_n(stream.begin(), std::min(stream.size(), room.size()), room.begin());
}

}  // namespace orvane
