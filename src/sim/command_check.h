#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Command codes of the clock's feature reports (byte 1), as the firmware knows them.
namespace device_command {
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
inline constexpr std::uint8_t kSerialNumber = 0x53;  // 'S', then 'N' in byte 2
inline constexpr std::uint8_t kSerialNumberSecond = 0x4E;
inline constexpr std::uint8_t kReferenceCountsSubcommand = 3;
}  // namespace device_command

// Bytes a command uses, report ID and code included (every later byte is 0); 0 for an unknown
// code.
std::size_t CommandLength(std::uint8_t code);

// Everything in a received feature report that a correct host would not send: wrong length,
// unknown command, stored forms out of range, bytes past the payload not zero. One short
// description per fault; empty when the report conforms.
std::vector<std::string> CheckCommandReport(std::span<const std::uint8_t> report,
                                            std::size_t feature_report_length);

}  // namespace orvane
