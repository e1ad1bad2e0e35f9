// Feeds arbitrary text to the history log reader, as a file written by someone else would be
// opened. Every row it accepts must write back to a line that reads as the same row.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "history/csv_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  for (const orvane::HistorySample& sample : orvane::ReadCsv(in).samples) {
    std::string row = orvane::CsvRow(sample);
    row.pop_back();  // the newline
    const auto again = orvane::ParseCsvRow(row);
    if (!again || orvane::CsvRow(*again) != row + "\n") __builtin_trap();
  }
  return 0;
}
