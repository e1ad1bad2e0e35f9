#pragma once

#include <string>

namespace orvane {

// `value` with exactly three decimals, as the window's "0.000" fields show it. A value that
// rounds to zero is shown as "0.000", never "-0.000".
std::string FormatThreeDecimals(double value);

}  // namespace orvane
