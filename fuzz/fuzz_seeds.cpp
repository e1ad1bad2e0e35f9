// Writes seed inputs for the fuzz targets from the simulated device: its configuration reports,
// status input reports with the receiver's stream, the reference-count reply and a session of
// every command the program sends. Usage: fuzz_seeds <folder>; one sub-folder per target.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "device/command_codes.h"
#include "device/monotonic_clock.h"
#include "pll/divider_fields.h"
#include "sim/clock_device.h"

namespace {

namespace fs = std::filesystem;
namespace cmd = orvane::command;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFeatureLength = 64;
// The fuzz runs take inputs up to this long.
constexpr std::size_t kMaxSeedLength = 1024;

class SeedWriter {
 public:
  explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

  void Write(const std::string& target, const std::string& name,
             std::span<const std::uint8_t> bytes) {
    fs::create_directories(root_ / target);
    std::ofstream(root_ / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path root_;
};

Bytes Command(std::uint8_t code, std::initializer_list<std::uint8_t> payload) {
  Bytes report(kFeatureLength);
  report[1] = code;
  std::copy(payload.begin(), payload.end(), report.begin() + 2);
  return report;
}

Bytes PllCommand() {
  Bytes report(kFeatureLength);
  const orvane::DividerTexts texts{"2875000", "3", "11", "480", "11", "46", "46", "15"};
  (void)orvane::BuildPllConfigurationImage(texts, report);
  report[1] = cmd::kPllConfiguration;
  return report;
}

// Every command the program sends, in an order the device survives to the end.
std::vector<Bytes> ProgramCommands() {
  return {Command(cmd::kReceiverMessage, {0x06, 0x01, 8, 0, 0x01, 0x30, 10}),
          Command(cmd::kReceiverMessage, {0x06, 0x01, 8, 0, 0x01, 0x22, 10}),
          Command(cmd::kOutputEnable, {1}),
          Command(cmd::kLedBlink, {1}),
          Command(cmd::kDriveStrength, {2}),
          PllCommand(),
          Command(cmd::kRegisterWrite, {136, 64}),
          Command(cmd::kReferenceQuery, {cmd::kReferenceCountsSubcommand}),
          Command(cmd::kTcxoCorrection, {0x0C, 0xFE, 1}),
          Command(cmd::kConstellations, {0x41}),
          Command(cmd::kSerialNumber, {cmd::kSerialNumberSecond, 'G', '6', '0', '0', '3', '2'}),
          Command(cmd::kSleep, {})};
}

Bytes Fetch(orvane::ClockDevice& device) {
  Bytes report(static_cast<std::size_t>(device.feature_report_length()));
  device.GetFeature(report);
  return report;
}

void ConfigurationSeeds(SeedWriter& out) {
  orvane::ManualClock clock;
  orvane::ClockDevice device({}, clock);
  out.Write("fuzz_config_report", "factory_64", Fetch(device));
  device.SetFeature(Command(cmd::kTcxoCorrection, {0x9C, 0xFF, 1}));
  device.SetFeature(Command(cmd::kDriveStrength, {7}));
  device.SetReportLengths(orvane::kConfigurationReportLength, 64);
  out.Write("fuzz_config_report", "changed_40", Fetch(device));
}

void ReferenceSeed(SeedWriter& out) {
  orvane::ManualClock clock;
  orvane::ClockDevice device({}, clock);
  clock.Advance(std::chrono::seconds(2));
  device.SetFeature(Command(cmd::kReferenceQuery, {cmd::kReferenceCountsSubcommand}));
  // All three divider fields present: N2_HS, GPS, N2_LS as the factory stores them.
  Bytes seed{0x07};
  for (double field : {11.0, 2875000.0, 480.0}) {
    std::uint8_t raw[sizeof field];
    std::memcpy(raw, &field, sizeof field);
    seed.insert(seed.end(), std::begin(raw), std::end(raw));
  }
  const Bytes reply = Fetch(device);
  seed.insert(seed.end(), reply.begin(), reply.end());
  out.Write("fuzz_pll_reference", "factory_reply", seed);
}

// Status reads of a device at a few report lengths, with the receiver stream they carry.
void StatusSeeds(SeedWriter& out) {
  for (int length : {64, 40, 21}) {
    orvane::ManualClock clock;
    orvane::ClockDevice device({}, clock);
    device.SetReportLengths(static_cast<int>(kFeatureLength), length);
    const auto queue = device.OpenInputQueue();
    device.SetFeature(Command(cmd::kReceiverMessage, {0x06, 0x01, 8, 0, 0x01, 0x30, 1}));
    device.SetFeature(Command(cmd::kReceiverMessage, {0x06, 0x01, 8, 0, 0x01, 0x22, 1}));
    clock.Advance(std::chrono::milliseconds(2500));
    device.Advance();

    Bytes read{static_cast<std::uint8_t>(length)};
    Bytes stream;
    Bytes report(static_cast<std::size_t>(length));
    while (read.size() + report.size() <= kMaxSeedLength &&
           queue->Pop(report, std::chrono::milliseconds(0)) > 0) {
      read.insert(read.end(), report.begin(), report.end());
      if (report[2] & 0x80) stream.insert(stream.end(), report.begin() + 3, report.end());
    }
    const std::string name = "device_" + std::to_string(length);
    out.Write("fuzz_status_report", name, read);
    out.Write("fuzz_ubx", name, stream);
  }
}

void CommandSeeds(SeedWriter& out) {
  Bytes session{static_cast<std::uint8_t>(kFeatureLength)};
  int index = 0;
  for (const Bytes& report : ProgramCommands()) {
    session.push_back(static_cast<std::uint8_t>(report.size()));
    session.push_back(80);  // 10 ms before the report
    session.insert(session.end(), report.begin(), report.end());
    Bytes single{static_cast<std::uint8_t>(kFeatureLength),
                 static_cast<std::uint8_t>(report.size()), 0};
    single.insert(single.end(), report.begin(), report.end());
    out.Write("fuzz_sim_command", "command_" + std::to_string(index++), single);
  }
  out.Write("fuzz_sim_command", "session", session);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  SeedWriter out(argv[1]);
  ConfigurationSeeds(out);
  ReferenceSeed(out);
  StatusSeeds(out);
  CommandSeeds(out);
  return 0;
}
