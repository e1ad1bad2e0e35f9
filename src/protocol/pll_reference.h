#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// The two reference counts of the reply to the reference query, 40-bit unsigned each, most
// significant byte first.
struct PllReferenceCounts {
  std::uint64_t count1 = 0;  // `ReferenceCount1`, reply bytes 1 to 5: the nominal reference
  std::uint64_t count2 = 0;  // `ReferenceCount2`, reply bytes 6 to 10: as the receiver sees it
  bool operator==(const PllReferenceCounts&) const = default;
};

inline constexpr std::size_t kPllReferenceReplyLength = 11;

// nullopt when the reply is shorter than kPllReferenceReplyLength.
std::optional<PllReferenceCounts> DecodePllReferenceReply(std::span<const std::uint8_t> reply);
// Fills `reply`: the counts (low 40 bits each) and zeros. Bytes that do not fit are left out.
void EncodePllReferenceReply(const PllReferenceCounts& counts, std::span<std::uint8_t> reply);

}  // namespace orvane
