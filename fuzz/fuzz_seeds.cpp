// Writes seed inputs for the fuzz targets from the simulated device: its configuration reports,
// status input reports with the receiver's stream, the reference-count reply and a session of
// every command the program sends. Usage: fuzz_seeds <folder>; one sub-folder per target.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "device/monotonic_clock.h"
#include "protocol/commands.h"
#include "protocol/status_report.h"
#include "protocol/ubx_ids.h"
#include "sim/clock_device.h"

namespace {

namespace fs = std::filesystem;
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

Bytes Report(const orvane::Command& command) {
  Bytes report(kFeatureLength);
  orvane::EncodeCommand(command, report);
  return report;
}

orvane::Command MessageRate(std::uint8_t msg_id, std::uint8_t rate) {
  return orvane::ReceiverMessageCommand({orvane::kUbxClassNav, msg_id, rate});
}

// Every command the program sends, in an order the device survives to the end.
std::vector<Bytes> ProgramCommands() {
  using namespace orvane;
  const Command commands[] = {MessageRate(kUbxIdNavSvInfo, 10),
                              MessageRate(kUbxIdNavClock, 10),
                              OutputEnableCommand(true),
                              LedBlinkCommand(true),
                              DriveStrengthCommand(2),
                              PllConfigurationCommand({2875000, 3, 11, 480, 11, 46, 46, 15}),
                              RegisterWriteCommand(136, 64),
                              ReferenceQueryCommand(),
                              CorrectionStoreCommand(-500),
                              ConstellationsCommand(0x41),
                              SerialNumberCommand("G60032"),
                              SleepCommand()};
  std::vector<Bytes> reports;
  for (const Command& command : commands) reports.push_back(Report(command));
  return reports;
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
  device.SetFeature(Report(orvane::CorrectionStoreCommand(-100)));
  device.SetFeature(Report(orvane::DriveStrengthCommand(7)));
  device.SetReportLengths(orvane::kConfigurationReportLength, 64);
  out.Write("fuzz_config_report", "changed_40", Fetch(device));
}

void ReferenceSeed(SeedWriter& out) {
  orvane::ManualClock clock;
  orvane::ClockDevice device({}, clock);
  clock.Advance(std::chrono::seconds(2));
  device.SetFeature(Report(orvane::ReferenceQueryCommand()));
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
    device.SetFeature(Report(MessageRate(orvane::kUbxIdNavSvInfo, 1)));
    device.SetFeature(Report(MessageRate(orvane::kUbxIdNavClock, 1)));
    device.SetFeature(Report(MessageRate(orvane::kUbxIdNavTimeLs, 1)));
    clock.Advance(std::chrono::milliseconds(2500));
    device.Advance();

    Bytes read{static_cast<std::uint8_t>(length)};
    Bytes stream;
    Bytes report(static_cast<std::size_t>(length));
    while (read.size() + report.size() <= kMaxSeedLength &&
           queue->Pop(report, std::chrono::milliseconds(0)) > 0) {
      read.insert(read.end(), report.begin(), report.end());
      orvane::ForEachStreamSlice(report, report.size(), [&](std::span<const std::uint8_t> slice) {
        stream.insert(stream.end(), slice.begin(), slice.end());
      });
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
