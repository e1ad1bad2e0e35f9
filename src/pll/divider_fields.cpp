#include "pll/divider_fields.h"

#include <array>
#include <cmath>
#include <optional>

#include "device/command_codes.h"
#include "pll/number_text.h"

namespace orvane {
namespace {

struct FieldRule {
  std::string DividerTexts::*text;
  const char* default_text;
  double lowest;
  double highest;
  bool even;
};

constexpr double kMaxLowSpeedDivider = 1048576;  // 2^20

// In the order the fields are checked.
constexpr std::array<FieldRule, 7> kFieldRules = {{
    {&DividerTexts::gps, "2875000", 1, 10000000, false},
    {&DividerTexts::n31, "3", 1, 524288, false},
    {&DividerTexts::n2_hs, "11", 4, 11, false},
    {&DividerTexts::n2_ls, "480", 2, kMaxLowSpeedDivider, true},
    {&DividerTexts::n1_hs, "11", 4, 11, false},
    {&DividerTexts::nc1_ls, "46", 2, kMaxLowSpeedDivider, true},
    {&DividerTexts::nc2_ls, "46", 2, kMaxLowSpeedDivider, true},
}};

void CheckField(const FieldRule& rule, std::string& text) {
  // Each step reads the text again, so it tests what the step before it wrote.
  if (!ParseNumber(text)) text = rule.default_text;
  if (*ParseNumber(text) < rule.lowest) text = FormatGeneral(rule.lowest);
  if (*ParseNumber(text) > rule.highest) text = FormatGeneral(rule.highest);
  // The device gets whole numbers: the field holds the one that will be sent, so that the
  // displays show what the PLL really runs at. The bounds are whole, so rounding stays within
  // them; within the bounds the value always fits 32 bits.
  const std::int32_t whole = *RoundToInt32(*ParseNumber(text));
  if (whole != *ParseNumber(text)) text = FormatGeneral(whole);
  if (rule.even) text = FormatGeneral(whole - whole % 2);
}

// The text as a whole number after taking `offset` off, rounded halves to even.
std::optional<std::int32_t> StoredForm(const std::string& text, double offset) {
  const std::optional<double> value = ParseNumber(text);
  if (!value) return std::nullopt;
  return RoundToInt32(*value - offset);
}

void PutLittleEndian(std::span<std::uint8_t> report, std::size_t offset, std::int32_t value,
                     int bytes) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < bytes; ++i) report[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

}  // namespace

void CheckDividerFields(DividerTexts& texts) {
  for (const FieldRule& rule : kFieldRules) CheckField(rule, texts.*rule.text);
}

PllImageError BuildPllConfigurationImage(const DividerTexts& texts,
                                         std::span<std::uint8_t> report) {
  if (report.size() < kPllConfigurationLength) return PllImageError::kReportTooShort;
  const std::optional<std::int32_t> gps = StoredForm(texts.gps, 0);
  const std::optional<std::int32_t> n31 = StoredForm(texts.n31, 1);
  const std::optional<std::int32_t> n2_hs = StoredForm(texts.n2_hs, 4);
  const std::optional<std::int32_t> n2_ls = StoredForm(texts.n2_ls, 1);
  const std::optional<std::int32_t> n1_hs = StoredForm(texts.n1_hs, 4);
  const std::optional<std::int32_t> nc1_ls = StoredForm(texts.nc1_ls, 1);
  const std::optional<std::int32_t> nc2_ls = StoredForm(texts.nc2_ls, 1);
  if (!gps || !n31 || !n2_hs || !n2_ls || !n1_hs || !nc1_ls || !nc2_ls) {
    return PllImageError::kFieldNotANumber;
  }
  // A byte-sized BW is sent as it is; anything else would be silently wrapped.
  const std::optional<double> bw = ParseNumber(texts.bw);
  if (!bw || *bw != std::floor(*bw) || *bw < 0 || *bw > 255) {
    return PllImageError::kBandwidthNotAByte;
  }

  report[0] = 0;
  report[1] = command::kPllConfiguration;
  PutLittleEndian(report, 2, *gps, 3);
  PutLittleEndian(report, 5, *n31, 3);
  PutLittleEndian(report, 8, *n2_hs, 1);
  PutLittleEndian(report, 9, *n2_ls, 3);
  PutLittleEndian(report, 12, *n1_hs, 1);
  PutLittleEndian(report, 13, *nc1_ls, 3);
  PutLittleEndian(report, 16, *nc2_ls, 3);
  report[20] = static_cast<std::uint8_t>(*bw);
  return PllImageError::kNone;
}

}  // namespace orvane
