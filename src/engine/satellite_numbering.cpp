#include "engine/satellite_numbering.h"

namespace orvane {
namespace {

struct NumberRange {
  int first;
  int last;
  const char* gnss;
  int first_number;  // what the system calls `first`
};

// The receiver's one numbering for all systems.
constexpr NumberRange kRanges[] = {
    {1, 32, "gps", 1},       {33, 64, "beidou", 6},    {65, 96, "glonass", 1},
    {120, 158, "sbas", 120}, {159, 163, "beidou", 1},  {173, 182, "imes", 1},
    {193, 202, "qzss", 1},   {211, 246, "galileo", 1},
};

}  // namespace

std::optional<SatelliteName> SatelliteNameOf(std::uint8_t svid) {
  for (const NumberRange& range : kRanges) {
    if (svid >= range.first && svid <= range.last) {
      return SatelliteName{range.gnss, svid - range.first + range.first_number};
    }
  }
  return std::nullopt;
}

}  // namespace orvane
