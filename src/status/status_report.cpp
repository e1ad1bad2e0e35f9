#include "status/status_report.h"

namespace orvane {

namespace {
constexpr std::size_t kStatusLength = 3;
constexpr std::uint8_t kNoGnssSignal = 0x01;
constexpr std::uint8_t kPllNotLocked = 0x02;
}  // namespace

std::optional<ReportStatus> DecodeReportStatus(std::span<const std::uint8_t> reads) {
  if (reads.size() < kStatusLength) return std::nullopt;
  const std::uint8_t flags = reads[2];
  return ReportStatus{.signal_loss_count = reads[1],
                      .no_gnss_signal = (flags & kNoGnssSignal) != 0,
                      .pll_not_locked = (flags & kPllNotLocked) != 0};
}

}  // namespace orvane
