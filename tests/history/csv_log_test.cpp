#include "history/csv_log.h"

#include <gtest/gtest.h>

#include <sstream>

#include "history/deviation_table.h"

namespace orvane {
namespace {

const HistorySample kLocked{.time_ms = 1'796'558'400'250,  // 2026-12-06T12:00:00.250Z
                            .offset_ppb = -312,
                            .offset_accuracy_ppb = 3.217f,
                            .clock_bias_ns = -487'123,
                            .time_accuracy_ns = 27,
                            .mean_cno_centi = 4175,
                            .signal_loss_count = 3,
                            .satellites_used = 8,
                            .satellites_seen = 11,
                            .flags = HistorySample::kPllLocked};
const HistorySample kLost{.time_ms = 1'796'558'402'750,
                          .offset_ppb = 0.5f,
                          .offset_accuracy_ppb = 500,
                          .time_accuracy_ns = 4'294'967'295,
                          .flags = HistorySample::kGnssSignalLost};

TEST(CsvLog, RowsReadBackAsWrittenAndATornLastLineAndBadLinesAreLeftOut) {
  EXPECT_EQ(CsvRow(kLocked), "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3\n");
  const std::string row = CsvRow(kLost);
  std::stringstream file;
  file << kCsvHeader << "\nnot,a,sample\n" << CsvRow(kLocked) << row << row.substr(0, 20);
  const CsvContents contents = ReadCsv(file);
  EXPECT_EQ(contents.samples, (std::vector<HistorySample>{kLocked, kLost}));
  EXPECT_EQ(contents.skipped, 1u);
}

TEST(CsvLog, RowsWithAFieldOutOfItsTypeOrRangeAreRejected) {
  const char* const kBad[] = {
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0",        // a column short
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3,9",    // one too many
      "2026-02-30T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3",      // no such day
      "2026-12-06 12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,3",      // not ISO 8601
      "2026-12-06T12:00:00.250Z,nan,3.217,-487123,27,8,11,41.75,1,0,3",       // offset not a number
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,256,11,41.75,1,0,3",    // used above a byte
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,2,0,3",      // flag not 0 or 1
      "2026-12-06T12:00:00.250Z,-312,3.217,-487123,27,8,11,41.75,1,0,70000",  // count above 16 bits
  };
  for (const char* line : kBad) EXPECT_FALSE(ParseCsvRow(line)) << line;
  EXPECT_TRUE(ParseCsvRow("2026-12-06T12:00:00Z,-312,3.217,-487123,27,8,11,41.75,1,0,3\r"));
}

TEST(DeviationTable, OneTauALineThatReadsBackExactly) {
  const DeviationPoint points[] = {
      {.tau = 2.5, .deviation = 1.25e-10, .count = 479, .lower = 1.2e-10, .upper = 1.3125e-10},
      {.tau = 5, .deviation = 7e-11, .count = 238, .lower = 6.5e-11, .upper = 7.7e-11}};
  EXPECT_EQ(DeviationTableCsv(points),
            "tau_s,deviation,lower,upper,count\n"
            "2.5,1.25e-10,1.2e-10,1.3125e-10,479\n"
            "5,7e-11,6.5e-11,7.7e-11,238\n");
}

}  // namespace
}  // namespace orvane
