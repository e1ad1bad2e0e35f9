#include "engine/divider_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "engine/number_text.h"

namespace orvane {
namespace {

struct FieldRule {
  std::string DividerTexts::*text;
  std::uint32_t PllDividers::*value;
  const char* default_text;
  double lowest;
  double highest;
  bool even;
};

constexpr double kMaxLowSpeedDivider = 1048576;  // 2^20

// In the order the fields are checked.
constexpr std::array<FieldRule, 7> kFieldRules = {{
    {&DividerTexts::gps, &PllDividers::gps, "2875000", 1, 10000000, false},
    {&DividerTexts::n31, &PllDividers::n31, "3", 1, 524288, false},
    {&DividerTexts::n2_hs, &PllDividers::n2_hs, "11", 4, 11, false},
    {&DividerTexts::n2_ls, &PllDividers::n2_ls, "480", 2, kMaxLowSpeedDivider, true},
    {&DividerTexts::n1_hs, &PllDividers::n1_hs, "11", 4, 11, false},
    {&DividerTexts::nc1_ls, &PllDividers::nc1_ls, "46", 2, kMaxLowSpeedDivider, true},
    {&DividerTexts::nc2_ls, &PllDividers::nc2_ls, "46", 2, kMaxLowSpeedDivider, true},
}};

// Out-of-range values take the nearest bound; the device gets whole numbers, so the value is
// rounded (halves to even) and a low-speed divider drops to even. The bounds are whole, so
// rounding stays within them.
double CheckedValue(const FieldRule& rule, double value) {
  const std::int32_t whole = *RoundToInt32(std::clamp(value, rule.lowest, rule.highest));
  return rule.even ? whole - whole % 2 : whole;
}

void CheckField(const FieldRule& rule, std::string& text) {
  // An unreadable text takes the default; a number the check changes is written back, so that
  // the displays show what the PLL really runs at. Low-speed dividers are always rewritten.
  const std::optional<double> value = ParseNumber(text);
  const double checked = CheckedValue(rule, value ? *value : *ParseNumber(rule.default_text));
  if (!value || checked != *value || rule.even) text = FormatGeneral(checked);
}

// The text as a whole number after taking `offset` off, rounded halves to even, then with the
// offset added back (modulo 2^32, as the device's stored form wraps).
std::optional<std::uint32_t> WholeNumber(const std::string& text, std::int32_t offset) {
  const std::optional<double> value = ParseNumber(text);
  if (!value) return std::nullopt;
  const std::optional<std::int32_t> stored = RoundToInt32(*value - offset);
  if (!stored) return std::nullopt;
  return static_cast<std::uint32_t>(*stored) + static_cast<std::uint32_t>(offset);
}

}  // namespace

void CheckDividerFields(DividerTexts& texts) {
  for (const FieldRule& rule : kFieldRules) CheckField(rule, texts.*rule.text);
}

void CheckDividers(PllDividers& dividers) {
  for (const FieldRule& rule : kFieldRules) {
    dividers.*rule.value = static_cast<std::uint32_t>(CheckedValue(rule, dividers.*rule.value));
  }
}

std::optional<PllDividers> DividersFromTexts(const DividerTexts& texts) {
  const std::optional<std::uint32_t> gps = WholeNumber(texts.gps, 0);
  const std::optional<std::uint32_t> n31 = WholeNumber(texts.n31, 1);
  const std::optional<std::uint32_t> n2_hs = WholeNumber(texts.n2_hs, 4);
  const std::optional<std::uint32_t> n2_ls = WholeNumber(texts.n2_ls, 1);
  const std::optional<std::uint32_t> n1_hs = WholeNumber(texts.n1_hs, 4);
  const std::optional<std::uint32_t> nc1_ls = WholeNumber(texts.nc1_ls, 1);
  const std::optional<std::uint32_t> nc2_ls = WholeNumber(texts.nc2_ls, 1);
  // A byte-sized BW is sent as it is; anything else would be silently wrapped.
  const std::optional<double> bw = ParseNumber(texts.bw);
  if (!gps || !n31 || !n2_hs || !n2_ls || !n1_hs || !nc1_ls || !nc2_ls || !bw ||
      *bw != std::floor(*bw) || *bw < 0 || *bw > 255) {
    return std::nullopt;
  }
  return PllDividers{.gps = *gps,
                     .n31 = *n31,
                     .n2_hs = *n2_hs,
                     .n2_ls = *n2_ls,
                     .n1_hs = *n1_hs,
                     .nc1_ls = *nc1_ls,
                     .nc2_ls = *nc2_ls,
                     .bw = static_cast<std::uint8_t>(*bw)};
}

}  // namespace orvane
