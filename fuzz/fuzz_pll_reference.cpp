// Feeds the reference-count reply and the divider fields it is scaled by: byte 0 says which of
// the three fields are present (bits 0 to 2), bytes 1 to 24 are their values as raw doubles (so
// infinities and NaNs come up), the rest is the reply.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "engine/label29_caption.h"

namespace {

constexpr std::size_t kHeaderLength = 1 + 3 * sizeof(double);

std::optional<double> Field(const std::uint8_t* data, int index) {
  if (!(data[0] & (1 << index))) return std::nullopt;
  double value;
  std::memcpy(&value, data + 1 + index * sizeof(double), sizeof value);
  return value;
}

// A number as the caption writes it: optional minus, digits, a point and three decimals.
bool IsThreeDecimals(std::string_view text) {
  if (text.starts_with('-')) text.remove_prefix(1);
  const std::size_t point = text.find('.');
  if (point == 0 || point == std::string_view::npos || text.size() - point != 4) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != point && (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderLength) return 0;
  const std::span<const std::uint8_t> reply(data + kHeaderLength, size - kHeaderLength);
  const auto counts = orvane::DecodePllReferenceReply(reply);
  if (counts.has_value() != (reply.size() >= 11)) __builtin_trap();
  if (!counts) return 0;
  if (counts->count1 >> 40 || counts->count2 >> 40) __builtin_trap();

  const auto caption =
      orvane::Label29Caption(*counts, {Field(data, 0), Field(data, 1), Field(data, 2)});
  if (!caption) return 0;
  constexpr std::string_view kFirst = "PLL reference frequency: ";
  constexpr std::string_view kSecond = "Hz\r\nPLL correction: ";
  std::string_view text = *caption;
  if (!text.starts_with(kFirst) || !text.ends_with("Hz")) __builtin_trap();
  text = text.substr(kFirst.size(), text.size() - kFirst.size() - 2);
  const std::size_t split = text.find(kSecond);
  if (split == std::string_view::npos || !IsThreeDecimals(text.substr(0, split)) ||
      !IsThreeDecimals(text.substr(split + kSecond.size()))) {
    __builtin_trap();
  }
  return 0;
}
