#include "history/deviation_table.h"

#include <cstdio>

namespace orvane {

std::string DeviationTableCsv(std::span<const DeviationPoint> points) {
  std::string text = "tau_s,deviation,lower,upper,count\n";
  for (const DeviationPoint& point : points) {
    char line[160];
    std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g,%.17g,%zu\n", point.tau, point.deviation,
                  point.lower, point.upper, point.count);
    text += line;
  }
  return text;
}

}  // namespace orvane
