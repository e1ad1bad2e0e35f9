#include "engine/frequency_displays.h"

#include <cmath>

#include "engine/number_text.h"

namespace orvane {

std::optional<FrequencyDisplays> FrequencyDisplayTexts(const DividerTexts& texts) {
  const std::optional<double> gps = ParseNumber(texts.gps);
  const std::optional<double> n31 = ParseNumber(texts.n31);
  const std::optional<double> n2_hs = ParseNumber(texts.n2_hs);
  const std::optional<double> n2_ls = ParseNumber(texts.n2_ls);
  const std::optional<double> n1_hs = ParseNumber(texts.n1_hs);
  const std::optional<double> nc1_ls = ParseNumber(texts.nc1_ls);
  if (!gps || !n31 || !n2_hs || !n2_ls || !n1_hs || !nc1_ls) return std::nullopt;

  // Each quantity builds on the one before; another order could change the last digit.
  const double f3 = *gps / *n31;
  const double fosc = (f3 * *n2_ls) * *n2_hs;
  const double fosc_over_n1 = fosc / *n1_hs;
  const double output = fosc_over_n1 / *nc1_ls;
  return FrequencyDisplays{
      .out1_freq = FormatGeneral(output),
      .f3lbl = "F3 = " + FormatGeneral(std::floor(f3)) + " Hz ",
      .fosclbl = "Fosc = " + FormatGeneral(std::floor(fosc / 100000) / 10000) + " GHz ",
      .label12 = "Fvco/N1_HS = " + FormatGeneral(fosc_over_n1),
  };
}

}  // namespace orvane
