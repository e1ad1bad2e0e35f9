#include "engine/frequency_displays.h"

#include <cmath>

#include "engine/number_text.h"

namespace orvane {
namespace {

FrequencyValues ValuesOf(double gps, double n31, double n2_hs, double n2_ls, double n1_hs,
                         double nc1_ls) {
  // Each quantity builds on the one before; another order could change the last digit.
  FrequencyValues values;
  values.f3_hz = gps / n31;
  values.fosc_hz = (values.f3_hz * n2_ls) * n2_hs;
  values.fosc_over_n1_hz = values.fosc_hz / n1_hs;
  values.output_hz = values.fosc_over_n1_hz / nc1_ls;
  return values;
}

FrequencyDisplays FrequencyDisplaysOf(const FrequencyValues& values) {
  return FrequencyDisplays{
      .out1_freq = FormatGeneral(values.output_hz),
      .f3lbl = "F3 = " + FormatGeneral(std::floor(values.f3_hz)) + " Hz ",
      .fosclbl = "Fosc = " + FormatGeneral(std::floor(values.fosc_hz / 100000) / 10000) + " GHz ",
      .label12 = "Fvco/N1_HS = " + FormatGeneral(values.fosc_over_n1_hz),
  };
}

}  // namespace

FrequencyValues FrequencyValuesOf(const PllDividers& dividers) {
  return ValuesOf(dividers.gps, dividers.n31, dividers.n2_hs, dividers.n2_ls, dividers.n1_hs,
                  dividers.nc1_ls);
}

std::optional<FrequencyDisplays> FrequencyDisplayTexts(const DividerTexts& texts) {
  const std::optional<double> gps = ParseNumber(texts.gps);
  const std::optional<double> n31 = ParseNumber(texts.n31);
  const std::optional<double> n2_hs = ParseNumber(texts.n2_hs);
  const std::optional<double> n2_ls = ParseNumber(texts.n2_ls);
  const std::optional<double> n1_hs = ParseNumber(texts.n1_hs);
  const std::optional<double> nc1_ls = ParseNumber(texts.nc1_ls);
  if (!gps || !n31 || !n2_hs || !n2_ls || !n1_hs || !nc1_ls) return std::nullopt;
  return FrequencyDisplaysOf(ValuesOf(*gps, *n31, *n2_hs, *n2_ls, *n1_hs, *nc1_ls));
}

}  // namespace orvane
