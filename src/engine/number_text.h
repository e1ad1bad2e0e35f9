#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Numbers as the window reads and writes them, independent of the user's locale.

// A decimal number with optional sign, fraction and exponent, surrounding spaces allowed
// (" -1.5e3 "). Not a number: empty text, letters, hexadecimal, thousands separators, "inf",
// "nan", or a value too large for a double.
std::optional<double> ParseNumber(std::string_view text);

// Up to 15 significant digits, no trailing zeros, '.' as decimal separator; whole numbers
// without a fraction ("4200000000", "958333.333333333").
std::string FormatGeneral(double value);

// The nearest whole number, halves to even; nullopt outside the signed 32-bit range.
std::optional<std::int32_t> RoundToInt32(double value);

}  // namespace orvane
