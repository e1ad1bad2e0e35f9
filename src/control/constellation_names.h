#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The receiver's satellite systems in mask-bit order, as a user types them.
inline constexpr const char* kConstellationNames[] = {"gps",  "sbas", "galileo", "beidou",
                                                      "imes", "qzss", "glonass"};

// The mask of a comma-separated list of names (any case; "none" for the empty mask); nullopt with
// the first unknown name in `unknown`.
std::optional<std::uint8_t> ConstellationMaskFromList(std::string_view list, std::string* unknown);

// The names of the bits set in `mask`, in bit order; bits without a name are left out.
std::vector<std::string> ConstellationNamesOf(std::uint8_t mask);

// "gps, sbas, galileo, ..." for messages and help.
std::string AcceptedConstellationsText();

}  // namespace orvane
