#include "engine/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace orvane {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TakeDigits(std::string_view& text) {
  std::size_t count = 0;
  while (count < text.size() && IsDigit(text[count])) ++count;
  const std::string_view digits = text.substr(0, count);
  text.remove_prefix(count);
  return digits;
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An unsigned decimal split into its parts; `exponent` keeps its sign, if any.
struct DecimalParts {
  std::string_view whole;
  std::string_view fraction;
  std::string_view exponent;
};

// Digits with an optional fraction and exponent, and nothing else. (from_chars alone would also
// take "inf", "nan" and a bare prefix of the text.)
std::optional<DecimalParts> SplitDecimal(std::string_view text) {
  DecimalParts parts;
  parts.whole = TakeDigits(text);
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    parts.fraction = TakeDigits(text);
  }
  if (parts.whole.empty() && parts.fraction.empty()) return std::nullopt;
  if (!text.empty() && (text.front() == 'e' || text.front() == 'E')) {
    text.remove_prefix(1);
    const std::string_view signed_exponent = text;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    if (TakeDigits(text).empty()) return std::nullopt;
    parts.exponent = signed_exponent;
  }
  if (!text.empty()) return std::nullopt;
  return parts;
}

// For a number beyond the range of a double: whether it is too large rather than too small.
bool IsTooLarge(const DecimalParts& parts) {
  std::string_view exponent = parts.exponent;
  if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
  int exponent_value = 0;
  if (std::from_chars(exponent.data(), exponent.data() + exponent.size(), exponent_value).ec ==
      std::errc::result_out_of_range) {
    return exponent.front() != '-';
  }
  // Decimal position of the leading significant digit: positive above 1, at most 0 below.
  const std::size_t whole_zeros = std::min(parts.whole.find_first_not_of('0'), parts.whole.size());
  const std::int64_t leading =
      whole_zeros < parts.whole.size()
          ? static_cast<std::int64_t>(parts.whole.size() - whole_zeros)
          : -static_cast<std::int64_t>(
                std::min(parts.fraction.find_first_not_of('0'), parts.fraction.size()));
  return leading + exponent_value > 0;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimSpaces(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::optional<DecimalParts> parts = SplitDecimal(text);
  if (!parts) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too small reads as zero; too large is no usable number.
    if (IsTooLarge(*parts)) return std::nullopt;
    value = 0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::string FormatGeneral(double value) {
  if (value == 0) return "0";  // no "-0"
  std::array<char, 32> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::general, 15);
  return std::string(buffer.data(), result.ptr);
}

std::optional<std::int32_t> RoundToInt32(double value) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

}  // namespace orvane
