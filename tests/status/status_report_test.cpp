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

TEST(StatusReportTest, FirstReportGivesTheStatus) {
  const struct {
    Bytes reads;
    ReportStatus status;
  } cases[] = {{{0, 7, 0x80, 1, 0, 0x03}, {7, false, false}},
               {{0, 0xFF, 0x01}, {255, true, false}},
               {{0, 0, 0x82}, {0, false, true}},
               {{0, 1, 0x7F}, {1, true, true}}};
  for (const auto& c : cases) EXPECT_EQ(DecodeReportStatus(c.reads), c.status);
  EXPECT_FALSE(DecodeReportStatus(Bytes{0, 5}));
}

TEST(StatusReportTest, VisitsTheStreamOfFlaggedCompleteReportsInOrder) {
  const Bytes reads = {0, 3, 0x80, 10, 11, 12,  // stream
                       0, 3, 0x00, 20, 21, 22,  // no stream
                       0, 3, 0x83, 30, 31, 32,  // stream, whatever the status bits
                       0, 3, 0x80, 40};         // trailing partial report
  EXPECT_EQ(Slices(reads, 6), (std::vector<Bytes>{{10, 11, 12}, {30, 31, 32}}));
}

TEST(StatusReportTest, ReportsTooShortForStreamBytesYieldNothing) {
  const Bytes reads = {0, 3, 0x80, 0, 3, 0x80, 0, 3, 0x80};
  for (std::size_t length : {0, 1, 2, 3}) EXPECT_TRUE(Slices(reads, length).empty()) << length;
  EXPECT_TRUE(Slices({}, 64).empty());
  EXPECT_TRUE(Slices({0, 3}, 4).empty());
}

}  // namespace
}  // namespace orvane
