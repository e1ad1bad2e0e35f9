#include "protocol/commands.h"

#include <algorithm>
#include <initializer_list>

#include "protocol/byte_order.h"
#include "protocol/ubx_ids.h"

namespace orvane {
namespace {

namespace cmd = command;

constexpr std::size_t kPayloadOffset = 2;
constexpr std::size_t kUbxHeaderLength = 4;  // class, id, little-endian length
constexpr std::uint8_t kCorrectionStoreByte = 1;

Command Make(std::uint8_t code, std::initializer_list<std::uint8_t> payload) {
  Command command{.code = code, .length = payload.size()};
  std::copy(payload.begin(), payload.end(), command.bytes.begin());
  return command;
}

std::uint8_t Bit(bool value) { return value ? 1 : 0; }

}  // namespace

Command OutputEnableCommand(bool enabled) { return Make(cmd::kOutputEnable, {Bit(enabled)}); }

Command LedBlinkCommand(bool on) { return Make(cmd::kLedBlink, {Bit(on)}); }

Command DriveStrengthCommand(std::uint8_t index) { return Make(cmd::kDriveStrength, {index}); }

Command PllConfigurationCommand(const PllDividers& dividers) {
  Command command{.code = cmd::kPllConfiguration, .length = kStoredDividersLength};
  EncodeStoredDividers(dividers, std::span(command.bytes).first<kStoredDividersLength>());
  return command;
}

Command RegisterWriteCommand(std::uint8_t address, std::uint8_t value) {
  return Make(cmd::kRegisterWrite, {address, value});
}

Command SleepCommand() { return Make(cmd::kSleep, {}); }

Command ReceiverMessageCommand(const CfgMsg& message) {
  Command command{.code = cmd::kReceiverMessage, .length = kUbxHeaderLength + kCfgMsgLength};
  const auto payload = EncodeCfgMsg(message);
  command.bytes[0] = kUbxClassCfg;
  command.bytes[1] = kUbxIdCfgMsg;
  WriteInt(command.bytes, 2, static_cast<std::uint16_t>(kCfgMsgLength));
  std::copy(payload.begin(), payload.end(), command.bytes.begin() + kUbxHeaderLength);
  return command;
}

Command ReferenceQueryCommand() {
  return Make(cmd::kReferenceQuery, {cmd::kReferenceCountsSubcommand});
}

Command CorrectionStoreCommand(std::int16_t ppb) {
  Command command = Make(cmd::kTcxoCorrection, {0, 0, kCorrectionStoreByte});
  WriteInt(command.bytes, 0, ppb);
  return command;
}

Command ConstellationsCommand(std::uint8_t mask) { return Make(cmd::kConstellations, {mask}); }

Command SerialNumberCommand(std::string_view serial) {
  Command command = Make(cmd::kSerialNumber, {cmd::kSerialNumberSecond});
  serial = serial.substr(0, kSerialNumberLength);
  std::copy(serial.begin(), serial.end(), command.bytes.begin() + 1);
  command.length += serial.size();
  return command;
}

bool EncodeCommand(const Command& command, std::span<std::uint8_t> report) {
  if (report.size() < kPayloadOffset + command.length) return false;
  std::fill(report.begin(), report.end(), 0);
  report[1] = command.code;
  const auto payload = command.payload();
  std::copy(payload.begin(), payload.end(), report.begin() + kPayloadOffset);
  return true;
}

std::size_t CommandLength(std::uint8_t code) {
  switch (code) {
    case cmd::kOutputEnable:
    case cmd::kLedBlink:
    case cmd::kDriveStrength:
    case cmd::kReferenceQuery:
    case cmd::kConstellations:
      return 3;
    case cmd::kPllConfiguration:
      return kPayloadOffset + kStoredDividersLength;
    case cmd::kRegisterWrite:
      return 4;
    case cmd::kSleep:
      return 2;
    case cmd::kReceiverMessage:
      return kPayloadOffset + kUbxHeaderLength + kCfgMsgLength;
    case cmd::kTcxoCorrection:
      return 5;
    case cmd::kSerialNumber:
      return 3 + kSerialNumberLength;
    default:
      return 0;
  }
}

std::uint8_t CommandByte(std::span<const std::uint8_t> report) { return report[kPayloadOffset]; }

PllDividers DecodePllConfiguration(std::span<const std::uint8_t> report) {
  return DecodeStoredDividers(report.subspan<kPayloadOffset, kStoredDividersLength>());
}

RegisterWrite DecodeRegisterWrite(std::span<const std::uint8_t> report) {
  return {.address = report[2], .value = report[3]};
}

ReceiverMessage DecodeReceiverMessage(std::span<const std::uint8_t> report) {
  return {.msg_class = report[2],
          .msg_id = report[3],
          .length = ReadU16(report, 4),
          .following = report.subspan(kPayloadOffset + kUbxHeaderLength)};
}

CorrectionStore DecodeCorrectionStore(std::span<const std::uint8_t> report) {
  return {.ppb = ReadI16(report, 2), .store = report[4] == kCorrectionStoreByte};
}

SerialNumberWrite DecodeSerialNumber(std::span<const std::uint8_t> report) {
  return {.marked = report[2] == cmd::kSerialNumberSecond,
          .serial = report.subspan<3, kSerialNumberLength>()};
}

}  // namespace orvane
