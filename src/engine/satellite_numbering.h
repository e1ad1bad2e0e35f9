#pragma once

#include <cstdint>
#include <optional>

namespace orvane {

// A satellite as its own system numbers it.
struct SatelliteName {
  const char* gnss = "";  // lower case, as users name the receiver's systems
  int number = 0;         // PRN or slot within that system
};

// The system and number behind a NAV-SVINFO satellite number; nullopt for 0, for GLONASS
// satellites whose slot the receiver does not know yet (255) and for numbers no system uses.
std::optional<SatelliteName> SatelliteNameOf(std::uint8_t svid);

}  // namespace orvane
