#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane {

// The PLL's divider set as whole numbers in the form the window shows them. The device stores
// N31, N2_LS, NC1_LS and NC2_LS less 1 and N2_HS and N1_HS less 4, each in its field's width;
// the arithmetic is modulo 2^32, so every value maps to the bytes the device is sent.
struct PllDividers {
  std::uint32_t gps = 0;
  std::uint32_t n31 = 0;
  std::uint32_t n2_hs = 0;
  std::uint32_t n2_ls = 0;
  std::uint32_t n1_hs = 0;
  std::uint32_t nc1_ls = 0;
  std::uint32_t nc2_ls = 0;
  std::uint8_t bw = 0;
  bool operator==(const PllDividers&) const = default;
};

// The divider set in stored form, GPS through BW: the PLL configuration command's payload, and
// bytes 3 to 21 of the configuration report.
inline constexpr std::size_t kStoredDividersLength = 19;

PllDividers DecodeStoredDividers(std::span<const std::uint8_t, kStoredDividersLength> block);
// The unused byte before BW is written 0.
void EncodeStoredDividers(const PllDividers& dividers,
                          std::span<std::uint8_t, kStoredDividersLength> block);

}  // namespace orvane
