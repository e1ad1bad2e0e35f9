#include "engine/input_checks.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "engine/number_text.h"
#include "freqplan/divider_model.h"

namespace orvane {

FrequencyVerdict CheckOutputFrequency(std::string_view text) {
  const std::optional<double> frequency = ParseNumber(text);
  if (!frequency) return FrequencyVerdict::kNotANumber;
  if (*frequency < kLowestOutputFrequency) return FrequencyVerdict::kTooLow;
  if (*frequency > kHighestOutputFrequency) return FrequencyVerdict::kTooHigh;
  return FrequencyVerdict::kAccepted;
}

std::string LowestFrequencyText() {
  return FormatGeneral(std::floor(kLowestOutputFrequency + kRoundingAllowance)) + " Hz";
}

std::string HighestFrequencyText() {
  return FormatGeneral(std::floor(kHighestOutputFrequency) / 1000000) + " MHz";
}

std::optional<std::uint8_t> WholeByte(std::string_view text) {
  const std::optional<double> value = ParseNumber(text);
  if (!value || *value != std::floor(*value) || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

bool IsSerialNumber(std::string_view text) {
  const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return text.size() == 6 && is_letter(text[0]) &&
         std::all_of(text.begin() + 1, text.end(), is_digit);
}

std::optional<std::string> NextSerialNumber(std::string_view serial) {
  if (!IsSerialNumber(serial)) return std::nullopt;
  const int number = std::stoi(std::string(serial.substr(1)));
  if (number >= 99999) return std::nullopt;
  std::string digits = std::to_string(number + 1);
  return std::string(1, serial[0]) + std::string(5 - digits.size(), '0') + digits;
}

Correction CorrectionFromPpb(double ppb) {
  // Rounded first (halves to even), then limited: 7500.6 would otherwise round past the limit.
  const double rounded = std::nearbyint(ppb);
  const double limited =
      std::clamp(rounded, double{-kLargestCorrection}, double{kLargestCorrection});
  return Correction{static_cast<std::int16_t>(limited), limited != rounded};
}

std::optional<Correction> CorrectionFromText(std::string_view text) {
  const std::optional<double> value = ParseNumber(text);
  if (!value) return std::nullopt;
  return CorrectionFromPpb(*value);
}

}  // namespace orvane
