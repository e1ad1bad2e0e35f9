#include "engine/decimal_text.h"

#include <array>
#include <charconv>

namespace orvane {

std::string FormatThreeDecimals(double value) {
  // to_chars, unlike printf, ignores the locale the window's toolkit sets from the environment.
  std::array<char, 352> buffer;  // the longest double in fixed notation, sign and fraction
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, 3);
  std::string text(buffer.data(), result.ptr);
  if (text == "-0.000") text.erase(0, 1);
  return text;
}

}  // namespace orvane
