#pragma once

#include <string>

#include "control/control_values.h"
#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "protocol/pll_dividers.h"

namespace orvane {

// "GPS 1875000  N31 1  N2_HS 11 ..." for people, with NC2_LS only when `with_nc2_ls`.
std::string DividersText(const PllDividers& dividers, bool with_nc2_ls = true);
// "10000000 Hz  (F3 1875000 Hz, Fosc 4.8 GHz)" for people.
std::string FrequenciesText(const FrequencyValues& values);
// WriteDividers and WriteFrequencyFields, their JSON, come from control/control_values.h.

}  // namespace orvane
