#pragma once

#include <cstdint>
#include <span>
#include <string>

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

inline constexpr std::size_t kPllConfigurationLength = 21;

enum class PllImageError {
  kNone,
  kReportTooShort,     // fewer than kPllConfigurationLength bytes
  kFieldNotANumber,    // a divider text that the field check would have replaced
  kBandwidthNotAByte,  // BW is not a whole number from 0 to 255
};

// Writes the PLL configuration command over the whole of `report` from the checked texts, as
// whole numbers (PllConfigurationCommand). Writes nothing when it returns an error.
[[nodiscard]] PllImageError BuildPllConfigurationImage(const DividerTexts& texts,
                                                       std::span<std::uint8_t> report);

}  // namespace orvane
