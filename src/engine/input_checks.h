#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The rules by which every front end accepts or refuses what a user typed, so that the window
// and the command line refuse the same values. Nothing is sent before a value passes.

enum class FrequencyVerdict { kAccepted, kNotANumber, kTooLow, kTooHigh };
// An output frequency in hertz, as typed.
FrequencyVerdict CheckOutputFrequency(std::string_view text);
// The limits as the refusals name them: "365 Hz" and "825 MHz".
std::string LowestFrequencyText();
std::string HighestFrequencyText();

// REG, DATA and BW: a whole number from 0 to 255.
std::optional<std::uint8_t> WholeByte(std::string_view text);

// A serial number: one letter and five digits ("G60031").
bool IsSerialNumber(std::string_view text);
// The serial number after `serial` (same letter, number + 1); nullopt after 99999.
std::optional<std::string> NextSerialNumber(std::string_view serial);

// The oscillator correction stored from a number of ppb: rounded (halves to even), then held
// within +-kLargestCorrection. `limited` tells that the limit changed it.
inline constexpr int kLargestCorrection = 7500;
struct Correction {
  std::int16_t ppb = 0;
  bool limited = false;
};
Correction CorrectionFromPpb(double ppb);
// The same for a number as typed; nullopt when the text is not a number.
std::optional<Correction> CorrectionFromText(std::string_view text);

}  // namespace orvane
