#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane {

// Little-endian fields of a UBX payload. Callers check the length first.
inline std::uint16_t ReadU2(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::int32_t ReadI4(std::span<const std::uint8_t> bytes, std::size_t offset) {
  const std::uint32_t value = std::uint32_t{bytes[offset]} | std::uint32_t{bytes[offset + 1]} << 8 |
                              std::uint32_t{bytes[offset + 2]} << 16 |
                              std::uint32_t{bytes[offset + 3]} << 24;
  return static_cast<std::int32_t>(value);
}

}  // namespace orvane
