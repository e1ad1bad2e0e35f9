#include "protocol/pll_reference.h"

#include <algorithm>
#include <array>

#include "protocol/byte_order.h"

namespace orvane {
namespace {
constexpr std::size_t kCountLength = 5;
}  // namespace

std::optional<PllReferenceCounts> DecodePllReferenceReply(std::span<const std::uint8_t> reply) {
  if (reply.size() < kPllReferenceReplyLength) return std::nullopt;
  return PllReferenceCounts{.count1 = ReadBe(reply.subspan(1, kCountLength)),
                            .count2 = ReadBe(reply.subspan(1 + kCountLength, kCountLength))};
}

void EncodePllReferenceReply(const PllReferenceCounts& counts, std::span<std::uint8_t> reply) {
  std::array<std::uint8_t, kPllReferenceReplyLength> full{};
  WriteBe(counts.count1, std::span(full).subspan(1, kCountLength));
  WriteBe(counts.count2, std::span(full).subspan(1 + kCountLength, kCountLength));
  std::fill(reply.begin(), reply.end(), 0);
  std::copy_n(full.begin(), std::min(full.size(), reply.size()), reply.begin());
}

}  // namespace orvane
