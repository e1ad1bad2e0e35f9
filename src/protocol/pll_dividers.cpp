#include "protocol/pll_dividers.h"

#include "protocol/byte_order.h"

namespace orvane {

PllDividers DecodeStoredDividers(std::span<const std::uint8_t, kStoredDividersLength> block) {
  return {.gps = ReadU24(block, 0),
          .n31 = ReadU24(block, 3) + 1,
          .n2_hs = block[6] + 4u,
          .n2_ls = ReadU24(block, 7) + 1,
          .n1_hs = block[10] + 4u,
          .nc1_ls = ReadU24(block, 11) + 1,
          .nc2_ls = ReadU24(block, 14) + 1,
          .bw = block[18]};
}

void EncodeStoredDividers(const PllDividers& dividers,
                          std::span<std::uint8_t, kStoredDividersLength> block) {
  WriteU24(block, 0, dividers.gps);
  WriteU24(block, 3, dividers.n31 - 1);
  block[6] = static_cast<std::uint8_t>(dividers.n2_hs - 4);
  WriteU24(block, 7, dividers.n2_ls - 1);
  block[10] = static_cast<std::uint8_t>(dividers.n1_hs - 4);
  WriteU24(block, 11, dividers.nc1_ls - 1);
  WriteU24(block, 14, dividers.nc2_ls - 1);
  block[17] = 0;
  block[18] = dividers.bw;
}

}  // namespace orvane
