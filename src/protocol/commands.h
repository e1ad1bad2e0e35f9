#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/cfg_msg.h"
#include "protocol/command_codes.h"
#include "protocol/pll_dividers.h"

namespace orvane {

// A command as a feature report carries it: report ID 0, the code at byte 1, the payload from
// byte 2, every later byte 0.
struct Command {
  // The longest payload: the PLL configuration's divider set.
  static constexpr std::size_t kMaxPayload = kStoredDividersLength;

  std::uint8_t code = 0;
  std::array<std::uint8_t, kMaxPayload> bytes{};
  std::size_t length = 0;

  std::span<const std::uint8_t> payload() const { return std::span(bytes).first(length); }
};

Command OutputEnableCommand(bool enabled);
Command LedBlinkCommand(bool on);
Command DriveStrengthCommand(std::uint8_t index);
Command PllConfigurationCommand(const PllDividers& dividers);
Command RegisterWriteCommand(std::uint8_t address, std::uint8_t value);
Command SleepCommand();
// A UBX message for the receiver without sync characters and checksum, which the device adds:
// here always CFG-MSG.
Command ReceiverMessageCommand(const CfgMsg& message);
// Asks for the two PLL reference counts, which the next fetch returns.
Command ReferenceQueryCommand();
// Stores the oscillator correction in ppb.
Command CorrectionStoreCommand(std::int16_t ppb);
// Bit n enables constellation n: GPS, SBAS, Galileo, BeiDou, IMES, QZSS, Glonass.
Command ConstellationsCommand(std::uint8_t mask);
// The first six characters of `serial`; the device re-enumerates under it.
Command SerialNumberCommand(std::string_view serial);

// Writes the whole report. False, with nothing written, when the report is too short.
bool EncodeCommand(const Command& command, std::span<std::uint8_t> report);

// Bytes a command uses, report ID and code included; 0 for an unknown code.
std::size_t CommandLength(std::uint8_t code);

// Readers of a received report whose code is known and which holds at least CommandLength(code)
// bytes.

// The one payload byte of output enable, LED blink, drive strength, reference query and
// constellations.
std::uint8_t CommandByte(std::span<const std::uint8_t> report);
PllDividers DecodePllConfiguration(std::span<const std::uint8_t> report);

struct RegisterWrite {
  std::uint8_t address = 0;
  std::uint8_t value = 0;
};
RegisterWrite DecodeRegisterWrite(std::span<const std::uint8_t> report);

// The UBX header the receiver message declares, and every byte the report holds after it.
struct ReceiverMessage {
  std::uint8_t msg_class = 0;
  std::uint8_t msg_id = 0;
  std::uint16_t length = 0;
  std::span<const std::uint8_t> following;
};
ReceiverMessage DecodeReceiverMessage(std::span<const std::uint8_t> report);

struct CorrectionStore {
  std::int16_t ppb = 0;
  bool store = false;  // byte 4 is 1
};
CorrectionStore DecodeCorrectionStore(std::span<const std::uint8_t> report);

inline constexpr std::size_t kSerialNumberLength = 6;
struct SerialNumberWrite {
  bool marked = false;  // byte 2 is 'N'
  std::span<const std::uint8_t, kSerialNumberLength> serial;
};
SerialNumberWrite DecodeSerialNumber(std::span<const std::uint8_t> report);

}  // namespace orvane
