#include "status/status_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<Bytes> Slices(const Bytes& reads, std::size_t report_length) {
  std::vector<Bytes> slices;
  ForEachStreamSlice(reads, report_length, [&](std::span<const std::uint8_t> bytes) {
    slices.emplace_back(bytes.begin(), bytes.end());
  });
  return slices;
}

// The status bits and the flagged stream are checked through the window's poll; the lengths
// too short to hold them are checked here.
TEST(StatusReportTest, FirstReportGivesTheStatus) {
  EXPECT_EQ(DecodeReportStatus(Bytes{0, 1, 0x7F}), (ReportStatus{1, true, true}));
  EXPECT_FALSE(DecodeReportStatus(Bytes{0, 5}));
}

TEST(StatusReportTest, ReportsTooShortForStreamBytesYieldNothing) {
  const Bytes reads = {0, 3, 0x80, 0, 3, 0x80, 0, 3, 0x80};
  for (std::size_t length : {0, 1, 2, 3}) EXPECT_TRUE(Slices(reads, length).empty()) << length;
  EXPECT_TRUE(Slices({}, 64).empty());
  EXPECT_TRUE(Slices({0, 3}, 4).empty());
}

}  // namespace
}  // namespace orvane
