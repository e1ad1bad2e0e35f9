#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// The status block shown from a read: only the first report of a read supplies it.
struct ReportStatus {
  std::uint8_t signal_loss_count = 0;
  bool no_gnss_signal = false;
  bool pll_not_locked = false;
  bool operator==(const ReportStatus&) const = default;
};

// The first report's status; nullopt when the read is shorter than the status block (3 bytes:
// report ID, count, flags).
std::optional<ReportStatus> DecodeReportStatus(std::span<const std::uint8_t> reads);

// Hands `visit` the receiver stream bytes (bytes 3 to L-1) of every complete report of a read
// whose flags carry the stream bit, in order. `reads` holds the reports back to back, each
// `report_length` (L) bytes long; a trailing partial report is not visited. Reports too short to
// carry stream bytes (L < 4) yield nothing.
template <typename Visit>
void ForEachStreamSlice(std::span<const std::uint8_t> reads, std::size_t report_length,
                        Visit&& visit) {
  constexpr std::size_t kFlagsOffset = 2;
  constexpr std::size_t kStreamOffset = 3;
  constexpr std::uint8_t kCarriesStream = 0x80;
  if (report_length <= kStreamOffset) return;
  for (std::size_t start = 0; reads.size() - start >= report_length; start += report_length) {
    const auto report = reads.subspan(start, report_length);
    if (report[kFlagsOffset] & kCarriesStream) visit(report.subspan(kStreamOffset));
  }
}

}  // namespace orvane
