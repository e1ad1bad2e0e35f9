#pragma once

#include <span>
#include <string>

#include "stability/deviation.h"

namespace orvane {

// The deviation table as CSV: a header line, then tau (s), deviation, the interval's lower and
// upper bound and the number of terms averaged, one tau a line.
std::string DeviationTableCsv(std::span<const DeviationPoint> points);

}  // namespace orvane
