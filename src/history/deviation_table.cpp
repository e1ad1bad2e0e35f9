#include "history/deviation_table.h"

#include <array>
#include <charconv>

namespace orvane {
namespace {

// The shortest text that reads back as the same double.
std::string Number(double value) {
  std::array<char, 32> text;
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  return std::string(text.data(), result.ptr);
}

}  // namespace

std::string DeviationTableCsv(std::span<const DeviationPoint> points) {
  std::string text = "tau_s,deviation,lower,upper,count\n";
  for (const DeviationPoint& point : points) {
    text += Number(point.tau) + ',' + Number(point.deviation) + ',' + Number(point.lower) + ',' +
            Number(point.upper) + ',' + std::to_string(point.count) + '\n';
  }
  return text;
}

}  // namespace orvane
