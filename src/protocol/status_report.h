#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// Every input report opens with the status block: report ID, signal loss count, flags. Reports
// whose flags carry the stream bit hold receiver stream bytes in the rest of the report.
inline constexpr std::size_t kStatusLength = 3;
inline constexpr std::uint8_t kNoGnssSignalFlag = 0x01;
inline constexpr std::uint8_t kPllNotLockedFlag = 0x02;
inline constexpr std::uint8_t kCarriesStreamFlag = 0x80;

// The status block shown from a read: only the first report of a read supplies it.
struct ReportStatus {
  std::uint8_t signal_loss_count = 0;
  bool no_gnss_signal = false;
  bool pll_not_locked = false;
  bool operator==(const ReportStatus&) const = default;
};

// The first report's status; nullopt when the read is shorter than the status block.
std::optional<ReportStatus> DecodeReportStatus(std::span<const std::uint8_t> reads);

// Fills `report` (at least kStatusLength bytes): the status block, then `stream` with the stream
// bit set when it is not empty, then zeros. Stream bytes that do not fit are left out.
void EncodeStatusReport(const ReportStatus& status, std::span<const std::uint8_t> stream,
                        std::span<std::uint8_t> report);

// Hands `visit` the receiver stream bytes (bytes 3 to L-1) of every complete report of a read
// whose flags carry the stream bit, in order. `reads` holds the reports back to back, each
// `report_length` (L) bytes long; a trailing partial report is not visited. Reports too short to
// carry stream bytes (L < 4) yield nothing.
template <typename Visit>
void ForEachStreamSlice(std::span<const std::uint8_t> reads, std::size_t report_length,
                        Visit&& visit) {
  if (report_length <= kStatusLength) return;
  for (std::size_t start = 0; reads.size() - start >= report_length; start += report_length) {
    const auto report = reads.subspan(start, report_length);
    if (report[2] & kCarriesStreamFlag) visit(report.subspan(kStatusLength));
  }
}

}  // namespace orvane
