#include "engine/decimal_text.h"

#include <cstdio>

namespace orvane {

std::string FormatThreeDecimals(double value) {
  const int length = std::snprintf(nullptr, 0, "%.3f", value);
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, "%.3f", value);
  if (text == "-0.000") text.erase(0, 1);
  return text;
}

}  // namespace orvane
