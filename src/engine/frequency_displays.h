#pragma once

#include <optional>
#include <string>

#include "engine/divider_fields.h"

namespace orvane {

// What the divider set in the fields produces, as the window shows it.
struct FrequencyDisplays {
  std::string out1_freq;  // output frequency, Hz
  std::string f3lbl;      // "F3 = <whole Hz> Hz "
  std::string fosclbl;    // "Fosc = <GHz, cut to 4 decimals> GHz "
  std::string label12;    // "Fvco/N1_HS = <Hz>"
};

// The same quantities as numbers, each computed from the one before as the window does.
struct FrequencyValues {
  double f3_hz = 0;
  double fosc_hz = 0;
  double fosc_over_n1_hz = 0;
  double output_hz = 0;
};

// The values a divider set produces.
FrequencyValues FrequencyValuesOf(const PllDividers& dividers);

// The display texts for the GPS, N31, N2_HS, N2_LS, N1_HS and NC1_LS texts; nullopt when one of
// them is not a number.
std::optional<FrequencyDisplays> FrequencyDisplayTexts(const DividerTexts& texts);

}  // namespace orvane
