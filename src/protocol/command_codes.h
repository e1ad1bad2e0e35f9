#pragma once

#include <cstdint>

namespace orvane::command {

// The clock's feature-report commands: the code in byte 1, after the report ID.
inline constexpr std::uint8_t kOutputEnable = 1;
inline constexpr std::uint8_t kLedBlink = 2;
inline constexpr std::uint8_t kDriveStrength = 3;
inline constexpr std::uint8_t kPllConfiguration = 4;
inline constexpr std::uint8_t kRegisterWrite = 5;
inline constexpr std::uint8_t kSleep = 6;
inline constexpr std::uint8_t kReceiverMessage = 8;
inline constexpr std::uint8_t kReferenceQuery = 10;
inline constexpr std::uint8_t kTcxoCorrection = 11;
inline constexpr std::uint8_t kConstellations = 12;
inline constexpr std::uint8_t kSerialNumber = 0x53;        // 'S', then 'N' in byte 2
inline constexpr std::uint8_t kSerialNumberSecond = 0x4E;  // 'N'
// Byte 2 of the reference query: the two PLL reference counts.
inline constexpr std::uint8_t kReferenceCountsSubcommand = 3;

}  // namespace orvane::command
