#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace orvane {

// The device's reports, UBX payloads and HID descriptors are little-endian; only the reference
// counts come most significant byte first. Callers check lengths before they read or write.

// The unsigned value of all of `bytes` (at most 8), least significant byte first.
constexpr std::uint64_t ReadLe(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i > 0; --i) value = value << 8 | bytes[i - 1];
  return value;
}

// The unsigned value of all of `bytes` (at most 8), most significant byte first.
constexpr std::uint64_t ReadBe(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

// Fills `bytes` with the low bytes of `value`, least significant first.
constexpr void WriteLe(std::uint64_t value, std::span<std::uint8_t> bytes) {
  for (std::uint8_t& byte : bytes) {
    byte = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
}

// Fills `bytes` with the low bytes of `value`, most significant first.
constexpr void WriteBe(std::uint64_t value, std::span<std::uint8_t> bytes) {
  for (std::size_t i = bytes.size(); i > 0; --i) {
    bytes[i - 1] = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
}

// Little-endian fields at a byte offset.
constexpr std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadLe(bytes.subspan(offset, 2)));
}
constexpr std::int16_t ReadI16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int16_t>(ReadU16(bytes, offset));
}
constexpr std::uint32_t ReadU24(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(ReadLe(bytes.subspan(offset, 3)));
}
constexpr std::int32_t ReadI32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLe(bytes.subspan(offset, 4))));
}

// Writes `value` in sizeof(T) bytes at `offset`, two's complement for signed types.
template <std::integral T>
constexpr void WriteInt(std::span<std::uint8_t> bytes, std::size_t offset, T value) {
  WriteLe(static_cast<std::make_unsigned_t<T>>(value), bytes.subspan(offset, sizeof(T)));
}
// Writes the low 24 bits of `value` at `offset`.
constexpr void WriteU24(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  WriteLe(value, bytes.subspan(offset, 3));
}

}  // namespace orvane
