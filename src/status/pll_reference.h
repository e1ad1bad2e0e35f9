#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane {

// The two reference counts of the command 10 reply, 40-bit unsigned each.
struct PllReferenceCounts {
  std::uint64_t count1 = 0;  // `ReferenceCount1`, reply bytes 1 to 5
  std::uint64_t count2 = 0;  // `ReferenceCount2`, reply bytes 6 to 10
  bool operator==(const PllReferenceCounts&) const = default;
};

// nullopt when the reply is shorter than 11 bytes.
std::optional<PllReferenceCounts> DecodePllReferenceReply(std::span<const std::uint8_t> reply);

// The divider fields the reference frequency is computed from, as numbers; nullopt stands for a
// field that is empty or not a number.
struct ReferenceDividers {
  std::optional<double> n2_hs;
  std::optional<double> gps;
  std::optional<double> n2_ls;
};

// The two-line `Label29` caption: reference frequency and correction in Hz. nullopt (caption
// unchanged) when either count is 0 or a field is missing or not finite.
std::optional<std::string> Label29Caption(const PllReferenceCounts& counts,
                                          const ReferenceDividers& dividers);

}  // namespace orvane
