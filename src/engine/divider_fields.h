#pragma once

#include <optional>
#include <string>

#include "protocol/pll_dividers.h"

namespace orvane {

// The divider set as the window's text boxes hold it; every computation reads these texts.
struct DividerTexts {
  std::string gps;
  std::string n31;
  std::string n2_hs;
  std::string n2_ls;
  std::string n1_hs;
  std::string nc1_ls;
  std::string nc2_ls;
  std::string bw;
};

// Brings GPS, N31, N2_HS, N2_LS, N1_HS, NC1_LS and NC2_LS into their legal ranges in place:
// unreadable texts take the field's default, out-of-range values the nearest bound, and the
// low-speed dividers drop to even. BW is not touched.
void CheckDividerFields(DividerTexts& texts);
// The same check on whole numbers: N31 through NC2_LS within their ranges, low-speed even.
void CheckDividers(PllDividers& dividers);

// The checked texts as the whole numbers the PLL configuration carries (halves to even);
// nullopt when a divider is not a number or BW is not a whole number from 0 to 255, for then
// nothing may be sent.
std::optional<PllDividers> DividersFromTexts(const DividerTexts& texts);

}  // namespace orvane
