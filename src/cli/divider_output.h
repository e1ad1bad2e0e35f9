#pragma once

#include <string>

#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "protocol/pll_dividers.h"

namespace orvane {

class JsonWriter;

// "GPS 1875000  N31 1  N2_HS 11 ..." for people, with NC2_LS only when `with_nc2_ls`.
std::string DividersText(const PllDividers& dividers, bool with_nc2_ls = true);
// "10000000 Hz  (F3 1875000 Hz, Fosc 4.8 GHz)" for people.
std::string FrequenciesText(const FrequencyValues& values);

// {"gps": ..., "n31": ..., ..., "bw": ...}, with nc2_ls only when `with_nc2_ls`.
void WriteDividers(JsonWriter& json, const PllDividers& dividers, bool with_nc2_ls = true);
// "output_hz", "f3_hz", "fosc_hz" into an open object.
void WriteFrequencyFields(JsonWriter& json, const FrequencyValues& values);

}  // namespace orvane
