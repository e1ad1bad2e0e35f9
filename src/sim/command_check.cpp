#include "sim/command_check.h"

#include <algorithm>
#include <string_view>

namespace orvane {
namespace {

namespace cmd = command;

std::uint32_t Le24(std::span<const std::uint8_t> r, std::size_t at) {
  return r[at] | (r[at + 1] << 8) | (std::uint32_t{r[at + 2]} << 16);
}

}  // namespace

std::size_t CommandLength(std::uint8_t code) {
  switch (code) {
    case cmd::kOutputEnable:
    case cmd::kLedBlink:
    case cmd::kDriveStrength:
    case cmd::kReferenceQuery:
    case cmd::kConstellations:
      return 3;
    case cmd::kPllConfiguration:
      return 21;
    case cmd::kRegisterWrite:
      return 4;
    case cmd::kSleep:
      return 2;
    case cmd::kReceiverMessage:
      return 14;
    case cmd::kTcxoCorrection:
      return 5;
    case cmd::kSerialNumber:
      return 9;
    default:
      return 0;
  }
}

namespace {

class Checker {
 public:
  explicit Checker(std::span<const std::uint8_t> report) : r_(report) {}

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
  void ExpectLowSpeedDivider(std::size_t at, std::string_view field) {
    const std::uint32_t stored = Le24(r_, at);
    ExpectAtMost(at, stored, (1u << 20) - 1, field);
    if (stored % 2 == 0) Fault(std::string(field) + " " + std::to_string(stored + 1) + " is odd");
  }

  std::vector<std::string> Finish() { return std::move(faults_); }

 private:
  std::span<const std::uint8_t> r_;
  std::vector<std::string> faults_;
};

void CheckPayload(std::span<const std::uint8_t> r, Checker& check) {
  switch (r[1]) {
    case cmd::kOutputEnable:
    case cmd::kLedBlink:
      check.Expect(r[2] <= 1, "switch byte is neither 0 nor 1");
      break;
    case cmd::kDriveStrength:
      check.Expect(r[2] <= 3, "drive strength index above 3");
      break;
    case cmd::kPllConfiguration: {
      const std::uint32_t gps = Le24(r, 2);
      check.Expect(gps >= 1 && gps <= 10'000'000, "GPS outside 1..10000000");
      check.ExpectAtMost(5, Le24(r, 5), (1u << 19) - 1, "N31");
      check.ExpectAtMost(8, r[8], 7, "N2_HS");
      check.ExpectLowSpeedDivider(9, "N2_LS");
      check.ExpectAtMost(12, r[12], 7, "N1_HS");
      check.ExpectLowSpeedDivider(13, "NC1_LS");
      check.ExpectLowSpeedDivider(16, "NC2_LS");
      check.Expect(r[19] == 0, "byte 19 not zero");
      break;
    }
    case cmd::kReceiverMessage:
      check.Expect(r[2] == 0x06 && r[3] == 0x01 && r[4] == 8 && r[5] == 0,
                   "not a CFG-MSG with 8 payload bytes");
      check.Expect(std::all_of(r.begin() + 9, r.begin() + 14, [](auto b) { return b == 0; }),
                   "CFG-MSG rate on ports 1..5");
      break;
    case cmd::kReferenceQuery:
      check.Expect(r[2] == cmd::kReferenceCountsSubcommand, "unknown reference sub-command");
      break;
    case cmd::kTcxoCorrection: {
      const auto ppb = static_cast<std::int16_t>(r[2] | (r[3] << 8));
      check.Expect(ppb >= -7500 && ppb <= 7500, "correction outside -7500..7500 ppb");
      check.Expect(r[4] == 1, "correction byte 4 not 1");
      break;
    }
    case cmd::kConstellations:
      check.Expect(r[2] < 0x80, "constellation mask bit 7 set");
      break;
    case cmd::kSerialNumber:
      check.Expect(r[2] == cmd::kSerialNumberSecond, "serial-number command without 'N'");
      check.Expect(
          std::all_of(r.begin() + 3, r.begin() + 9, [](auto b) { return b > 0x20 && b < 0x7F; }),
          "serial number not six printable characters");
      break;
    default:  // register write and sleep: any register and value
      break;
  }
}

}  // namespace

std::vector<std::string> CheckCommandReport(std::span<const std::uint8_t> report,
                                            std::size_t feature_report_length) {
  Checker check(report);
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
