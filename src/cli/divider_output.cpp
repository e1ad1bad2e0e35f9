#include "cli/divider_output.h"

#include <cmath>

#include "engine/number_text.h"

namespace orvane {

std::string DividersText(const PllDividers& dividers, bool with_nc2_ls) {
  std::string text = "GPS " + std::to_string(dividers.gps) + "  N31 " +
                     std::to_string(dividers.n31) + "  N2_HS " + std::to_string(dividers.n2_hs) +
                     "  N2_LS " + std::to_string(dividers.n2_ls) + "  N1_HS " +
                     std::to_string(dividers.n1_hs) + "  NC1_LS " + std::to_string(dividers.nc1_ls);
  if (with_nc2_ls) text += "  NC2_LS " + std::to_string(dividers.nc2_ls);
  return text + "  BW " + std::to_string(dividers.bw);
}

std::string FrequenciesText(const FrequencyValues& values) {
  return FormatGeneral(values.output_hz) + " Hz  (F3 " + FormatGeneral(values.f3_hz) +
         " Hz, Fosc " + FormatGeneral(values.fosc_hz / 1e9) + " GHz)";
}

}  // namespace orvane
