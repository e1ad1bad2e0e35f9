#include "sim/command_check.h"

#include <algorithm>
#include <string_view>

#include "protocol/commands.h"
#include "protocol/ubx_ids.h"

namespace orvane {
namespace {

namespace cmd = command;

class Checker {
 public:
  void Fault(std::string what) { faults_.push_back(std::move(what)); }
  void Expect(bool ok, std::string_view what) {
    if (!ok) faults_.emplace_back(what);
  }
  void ExpectAtMost(std::size_t at, std::uint32_t value, std::uint32_t highest,
                    std::string_view field) {
    if (value > highest) {
      Fault(std::string(field) + " stored " + std::to_string(value) + " above " +
            std::to_string(highest) + " (byte " + std::to_string(at) + ")");
    }
  }
  // Low-speed dividers are even, so their stored form (divider - 1) is odd.
  void ExpectLowSpeedDivider(std::size_t at, std::uint32_t divider, std::string_view field) {
    const std::uint32_t stored = divider - 1;
    ExpectAtMost(at, stored, (1u << 20) - 1, field);
    if (stored % 2 == 0) Fault(std::string(field) + " " + std::to_string(divider) + " is odd");
  }

  std::vector<std::string> Finish() { return std::move(faults_); }

 private:
  std::vector<std::string> faults_;
};

// Stored forms and byte numbers are named as the firmware sees them.
void CheckPllConfiguration(std::span<const std::uint8_t> r, Checker& check) {
  const PllDividers d = DecodePllConfiguration(r);
  check.Expect(d.gps >= 1 && d.gps <= 10'000'000, "GPS outside 1..10000000");
  check.ExpectAtMost(5, d.n31 - 1, (1u << 19) - 1, "N31");
  check.ExpectAtMost(8, d.n2_hs - 4, 7, "N2_HS");
  check.ExpectLowSpeedDivider(9, d.n2_ls, "N2_LS");
  check.ExpectAtMost(12, d.n1_hs - 4, 7, "N1_HS");
  check.ExpectLowSpeedDivider(13, d.nc1_ls, "NC1_LS");
  check.ExpectLowSpeedDivider(16, d.nc2_ls, "NC2_LS");
  // The divider set comes back byte for byte from its fields, but for the unused byte 19.
  std::uint8_t again[kStoredDividersLength];
  EncodeStoredDividers(d, again);
  check.Expect(std::equal(std::begin(again), std::end(again), r.begin() + 2), "byte 19 not zero");
}

void CheckPayload(std::span<const std::uint8_t> r, Checker& check) {
  switch (r[1]) {
    case cmd::kOutputEnable:
    case cmd::kLedBlink:
      check.Expect(CommandByte(r) <= 1, "switch byte is neither 0 nor 1");
      break;
    case cmd::kDriveStrength:
      check.Expect(CommandByte(r) <= 3, "drive strength index above 3");
      break;
    case cmd::kPllConfiguration:
      CheckPllConfiguration(r, check);
      break;
    case cmd::kReceiverMessage: {
      const ReceiverMessage m = DecodeReceiverMessage(r);
      check.Expect(m.msg_class == kUbxClassCfg && m.msg_id == kUbxIdCfgMsg && m.length == 8,
                   "not a CFG-MSG with 8 payload bytes");
      // Bytes 3 to 7 of CFG-MSG are the rates on ports 1 to 5.
      const auto other_ports = m.following.subspan(3, 5);
      check.Expect(
          std::all_of(other_ports.begin(), other_ports.end(), [](auto b) { return b == 0; }),
          "CFG-MSG rate on ports 1..5");
      break;
    }
    case cmd::kReferenceQuery:
      check.Expect(CommandByte(r) == cmd::kReferenceCountsSubcommand,
                   "unknown reference sub-command");
      break;
    case cmd::kTcxoCorrection: {
      const CorrectionStore correction = DecodeCorrectionStore(r);
      check.Expect(correction.ppb >= -7500 && correction.ppb <= 7500,
                   "correction outside -7500..7500 ppb");
      check.Expect(correction.store, "correction byte 4 not 1");
      break;
    }
    case cmd::kConstellations:
      check.Expect(CommandByte(r) < 0x80, "constellation mask bit 7 set");
      break;
    case cmd::kSerialNumber: {
      const SerialNumberWrite write = DecodeSerialNumber(r);
      check.Expect(write.marked, "serial-number command without 'N'");
      check.Expect(std::all_of(write.serial.begin(), write.serial.end(),
                               [](auto b) { return b > 0x20 && b < 0x7F; }),
                   "serial number not six printable characters");
      break;
    }
    default:  // register write and sleep: any register and value
      break;
  }
}

}  // namespace

std::vector<std::string> CheckCommandReport(std::span<const std::uint8_t> report,
                                            std::size_t feature_report_length) {
  Checker check;
  if (report.size() != feature_report_length) {
    check.Fault("length " + std::to_string(report.size()) + " instead of " +
                std::to_string(feature_report_length));
  }
  if (report.size() < 2) {
    check.Fault("no command byte");
    return check.Finish();
  }
  check.Expect(report[0] == 0, "report ID not 0");
  const std::size_t end = CommandLength(report[1]);
  if (end == 0) {
    check.Fault("unknown command " + std::to_string(report[1]));
    return check.Finish();
  }
  if (report.size() < end) {
    check.Fault("command " + std::to_string(report[1]) + " needs " + std::to_string(end) +
                " bytes");
    return check.Finish();
  }
  CheckPayload(report, check);
  const auto tail = report.subspan(end);
  const auto stray = std::find_if(tail.begin(), tail.end(), [](auto b) { return b != 0; });
  if (stray != tail.end()) {
    check.Fault("command " + std::to_string(report[1]) + ": byte " +
                std::to_string(end + (stray - tail.begin())) + " past the payload not zero");
  }
  return check.Finish();
}

}  // namespace orvane
