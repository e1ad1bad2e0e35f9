#include "history/csv_log.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace orvane {
namespace {

using namespace std::chrono;

constexpr std::size_t kColumns = 11;

std::string TimeText(std::int64_t time_ms) {
  const sys_time<milliseconds> time{milliseconds(time_ms)};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> clock{time - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", int{date.year()},
                unsigned{date.month()}, unsigned{date.day()},
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()),
                static_cast<int>(clock.subseconds().count()));
  return text;
}

template <typename Number>
bool Parse(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// "YYYY-MM-DDTHH:MM:SS[.fff]Z".
std::optional<std::int64_t> ParseTime(std::string_view text) {
  if (text.size() < 20 || text.back() != 'Z' || text[4] != '-' || text[7] != '-' ||
      text[10] != 'T' || text[13] != ':' || text[16] != ':')
    return std::nullopt;
  int y = 0;
  unsigned mo = 0, d = 0;
  int h = 0, mi = 0, s = 0, ms = 0;
  if (!Parse(text.substr(0, 4), y) || !Parse(text.substr(5, 2), mo) ||
      !Parse(text.substr(8, 2), d) || !Parse(text.substr(11, 2), h) ||
      !Parse(text.substr(14, 2), mi) || !Parse(text.substr(17, 2), s))
    return std::nullopt;
  const std::string_view fraction = text.substr(19, text.size() - 20);
  if (!fraction.empty()) {
    if (fraction.size() != 4 || fraction[0] != '.' || !Parse(fraction.substr(1), ms))
      return std::nullopt;
  }
  const year_month_day date{year(y), month(mo), day(d)};
  if (!date.ok() || h > 23 || mi > 59 || s > 60) return std::nullopt;
  const auto time = sys_days(date) + hours(h) + minutes(mi) + seconds(s) + milliseconds(ms);
  return time.time_since_epoch().count();
}

std::string Number(float value) {
  std::array<char, 32> text;
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  return std::string(text.data(), result.ptr);
}

}  // namespace

std::string CsvRow(const HistorySample& sample) {
  char cno[16];
  std::snprintf(cno, sizeof cno, "%u.%02u", sample.mean_cno_centi / 100u,
                sample.mean_cno_centi % 100u);
  return TimeText(sample.time_ms) + ',' + Number(sample.offset_ppb) + ',' +
         Number(sample.offset_accuracy_ppb) + ',' + std::to_string(sample.clock_bias_ns) + ',' +
         std::to_string(sample.time_accuracy_ns) + ',' + std::to_string(sample.satellites_used) +
         ',' + std::to_string(sample.satellites_seen) + ',' + cno + ',' +
         (sample.pll_locked() ? '1' : '0') + ',' + (sample.gnss_signal_lost() ? '1' : '0') + ',' +
         std::to_string(sample.signal_loss_count) + '\n';
}

std::optional<HistorySample> ParseCsvRow(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::array<std::string_view, kColumns> fields;
  std::size_t count = 0;
  for (std::size_t start = 0;;) {
    if (count == kColumns) return std::nullopt;
    const std::size_t comma = line.find(',', start);
    fields[count++] = line.substr(start, comma == std::string_view::npos ? comma : comma - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count != kColumns) return std::nullopt;
  HistorySample sample;
  const std::optional<std::int64_t> time = ParseTime(fields[0]);
  double cno = 0;
  unsigned used = 0, seen = 0, locked = 0, lost = 0;
  if (!time || !Parse(fields[1], sample.offset_ppb) ||
      !Parse(fields[2], sample.offset_accuracy_ppb) || !Parse(fields[3], sample.clock_bias_ns) ||
      !Parse(fields[4], sample.time_accuracy_ns) || !Parse(fields[5], used) ||
      !Parse(fields[6], seen) || !Parse(fields[7], cno) || !Parse(fields[8], locked) ||
      !Parse(fields[9], lost) || !Parse(fields[10], sample.signal_loss_count))
    return std::nullopt;
  if (used > 255 || seen > 255 || locked > 1 || lost > 1 || !(cno >= 0 && cno < 655) ||
      !std::isfinite(sample.offset_ppb) || !std::isfinite(sample.offset_accuracy_ppb)) {
    return std::nullopt;
  }
  sample.time_ms = *time;
  sample.satellites_used = static_cast<std::uint8_t>(used);
  sample.satellites_seen = static_cast<std::uint8_t>(seen);
  sample.mean_cno_centi = static_cast<std::uint16_t>(cno * 100 + 0.5);
  sample.flags = static_cast<std::uint8_t>((locked ? HistorySample::kPllLocked : 0) |
                                           (lost ? HistorySample::kGnssSignalLost : 0));
  return sample;
}

CsvContents ReadCsv(std::istream& in) {
  CsvContents contents;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    // getline stops at the end of the file without a newline too: that line is torn.
    if (in.eof()) break;
    if (first && line.rfind("time_utc,", 0) == 0) {
      first = false;
      continue;
    }
    first = false;
    if (const std::optional<HistorySample> sample = ParseCsvRow(line)) {
      contents.samples.push_back(*sample);
    } else {
      ++contents.skipped;
    }
  }
  return contents;
}

}  // namespace orvane
