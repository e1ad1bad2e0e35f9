#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/history_sample.h"

namespace orvane {

// The per-clock log's columns, one sample a line, in the order of the header line.
inline constexpr char kCsvHeader[] =
    "time_utc,offset_ppb,offset_accuracy_ppb,clock_bias_ns,time_accuracy_ns,satellites_used,"
    "satellites_seen,mean_cno_used_dbhz,pll_locked,gnss_signal_lost,signal_loss_count";

// One line, newline included; time in ISO 8601 UTC with milliseconds (2026-12-06T12:00:00.250Z).
std::string CsvRow(const HistorySample& sample);
// A line without its newline; nullopt unless every column holds a value of its type and range.
std::optional<HistorySample> ParseCsvRow(std::string_view line);

struct CsvContents {
  std::vector<HistorySample> samples;
  std::size_t skipped = 0;  // lines that were not a sample (the header is not counted)
};
// A log as a writer left it: the header line is optional, and a last line without its newline is
// a row still being written, so it is left out rather than read half.
CsvContents ReadCsv(std::istream& in);

}  // namespace orvane
