#pragma once

#include <cstdint>
#include <span>

namespace orvane {

// The UBX 8-bit Fletcher checksum over class, id, both length bytes and the payload.
struct UbxChecksumState {
  std::uint8_t ck_a = 0;
  std::uint8_t ck_b = 0;

  void Add(std::uint8_t byte) {
    ck_a = static_cast<std::uint8_t>(ck_a + byte);
    ck_b = static_cast<std::uint8_t>(ck_b + ck_a);
  }
  void Add(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes) Add(byte);
  }
};

}  // namespace orvane
