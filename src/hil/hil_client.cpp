#include "hil/hil_client.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "device/device_ids.h"
#include "device/hid/wide_text.h"
#include "protocol/commands.h"
#include "protocol/pll_reference.h"
#include "protocol/ubx_ids.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

constexpr auto kEnumerationWait = std::chrono::seconds(10);
constexpr auto kLossWait = std::chrono::seconds(5);
constexpr auto kPollStep = milliseconds(100);
constexpr int kExpectedReportLength = 64;

std::string Text(const std::optional<std::wstring>& wide) {
  return wide ? "\"" + LowByteText(*wide) + "\"" : "(none)";
}

std::string Describe(const DeviceConfiguration& c) {
  const PllDividers& d = c.dividers;
  return "output " + std::to_string(c.output_flags) + " drive " + std::to_string(c.drive_index) +
         " GPS " + std::to_string(d.gps) + " N31 " + std::to_string(d.n31) + " N2_HS " +
         std::to_string(d.n2_hs) + " N2_LS " + std::to_string(d.n2_ls) + " N1_HS " +
         std::to_string(d.n1_hs) + " NC1_LS " + std::to_string(d.nc1_ls) + " NC2_LS " +
         std::to_string(d.nc2_ls) + " BW " + std::to_string(d.bw) + " tcxo " +
         std::to_string(c.tcxo_correction) + " mask " + std::to_string(c.ConstellationMask);
}

}  // namespace

HilClient::HilClient(HidBackend& backend, TraceLog& trace, MonotonicClock& clock,
                     StreamFrameLog& frames, std::ostream& out, HilClientOptions options)
    : backend_(backend),
      link_(backend, trace),
      clock_(clock),
      frames_(frames),
      out_(out),
      options_(std::move(options)) {}

bool HilClient::Run() {
  DeviceConfiguration stored;
  return Open(options_.serial) && FetchConfiguration("configuration", stored) &&
         SendCommands(stored) && ReadStream() && ChangeSerial() && SleepAndUnplug();
}

bool HilClient::Check(bool ok, std::string_view step, const std::string& detail) {
  out_ << "HIL " << (ok ? "PASS " : "FAIL ") << step << ": " << detail << std::endl;
  return ok;
}

std::optional<HidDeviceInfo> HilClient::WaitForDevice(const std::string& serial) {
  const auto deadline = clock_.Now() + kEnumerationWait;
  for (;;) {
    for (const HidDeviceInfo& info : backend_.Enumerate(kVendorId, kProductIds)) {
      if (LowByteText(info.serial) == serial) return info;
    }
    if (clock_.Now() >= deadline) return std::nullopt;
    clock_.SleepFor(kPollStep);
  }
}

bool HilClient::Open(const std::string& serial) {
  const std::optional<HidDeviceInfo> info = WaitForDevice(serial);
  if (!Check(info.has_value(), "find", "serial " + serial)) return false;
  // Under uhid there is no USB parent: hidapi has no manufacturer or release to report.
  out_ << "HIL NOTE enumeration: path " << info->path << " product " << Text(info->product)
       << " manufacturer " << Text(info->manufacturer) << " release " << info->release << std::endl;

  link_.CloseHandles();
  OpenError error = OpenError::kNone;
  std::unique_ptr<HidDevice> device = backend_.Open(info->path, &error);
  if (!Check(device != nullptr, "open", info->path)) return false;
  out_ << "HIL NOTE strings: manufacturer " << Text(device->Manufacturer()) << " product "
       << Text(device->Product()) << std::endl;
  const std::optional<std::wstring> read_serial = device->SerialNumber();
  link_.Attach(std::move(device), info->path, serial, info->release);

  return Check(read_serial && LowByteText(*read_serial) == serial, "serial string",
               Text(read_serial)) &&
         Check(link_.FeatureReportByteLength() == kExpectedReportLength &&
                   link_.InputReportByteLength() == kExpectedReportLength,
               "report lengths",
               "feature " + std::to_string(link_.FeatureReportByteLength()) + " input " +
                   std::to_string(link_.InputReportByteLength()));
}

bool HilClient::FetchConfiguration(std::string_view step, DeviceConfiguration& config) {
  std::vector<std::uint8_t> report = link_.NewFeatureReport();
  const bool fetched = link_.Fetch(report);
  const std::optional<DeviceConfiguration> decoded =
      fetched ? DecodeConfigurationReport(report) : std::nullopt;
  if (!Check(decoded.has_value() && decoded->dividers.gps != 0, step,
             decoded ? Describe(*decoded) : "no reply")) {
    return false;
  }
  config = *decoded;
  return true;
}

// Every command once, with values unlike the stored ones, so that the configuration fetched
// afterwards shows each one arrived. The device's log shows the bytes; the test compares them.
bool HilClient::SendCommands(const DeviceConfiguration& stored) {
  DeviceConfiguration expected = stored;
  expected.output_flags = stored.output_flags == 0 ? 1 : 0;
  expected.drive_index = stored.drive_index == 1 ? 2 : 1;
  expected.tcxo_correction = stored.tcxo_correction == 250 ? -250 : 250;
  expected.ConstellationMask = stored.ConstellationMask == 0x03 ? 0x05 : 0x03;
  const Command commands[] = {
      OutputEnableCommand(expected.output_flags != 0),
      LedBlinkCommand(true),
      LedBlinkCommand(false),
      DriveStrengthCommand(expected.drive_index),
      PllConfigurationCommand(stored.dividers),
      RegisterWriteCommand(136, 0x40),
      CorrectionStoreCommand(expected.tcxo_correction),
      ConstellationsCommand(expected.ConstellationMask),
  };
  for (const Command& command : commands) {
    if (!Check(link_.SendCommand(kNeedsDetected, command), "command",
               std::to_string(command.code))) {
      return false;
    }
  }
  const bool rates_set =
      link_.SendCommand(kNeedsDetected,
                        ReceiverMessageCommand({kUbxClassNav, kUbxIdNavSvInfo, 1})) &&
      link_.SendCommand(kNeedsDetected, ReceiverMessageCommand({kUbxClassNav, kUbxIdNavClock, 1}));
  if (!Check(rates_set, "command", "8 (CFG-MSG)")) return false;

  std::vector<std::uint8_t> reply = link_.NewFeatureReport();
  const bool answered =
      link_.SendCommand(kNeedsDetected, ReferenceQueryCommand()) && link_.Fetch(reply);
  const std::optional<PllReferenceCounts> counts =
      answered ? DecodePllReferenceReply(reply) : std::nullopt;
  if (!Check(counts && counts->count1 > 0 && counts->count2 > 0, "reference counts",
             counts ? std::to_string(counts->count1) + " " + std::to_string(counts->count2)
                    : "no reply")) {
    return false;
  }

  DeviceConfiguration after;
  return FetchConfiguration("configuration after commands", after) &&
         Check(after == expected, "commands took effect", "expected " + Describe(expected));
}

// A signal for the process that lands on the device's reader thread must not pass for a lost
// device. This thread refuses the signal, so only the reader thread could take it.
void SignalTheProcess() {
  static const bool handled = [] {
    struct sigaction action = {};
    action.sa_handler = [](int) {};
    sigaction(SIGUSR2, &action, nullptr);
    sigset_t own;
    sigemptyset(&own);
    sigaddset(&own, SIGUSR2);
    return pthread_sigmask(SIG_BLOCK, &own, nullptr) == 0;
  }();
  if (handled) kill(getpid(), SIGUSR2);
}

bool HilClient::ReadStream() {
  std::vector<std::uint8_t> report(static_cast<std::size_t>(link_.InputReportByteLength()));
  std::size_t reports = 0;
  bool lengths_ok = true;
  const auto deadline = clock_.Now() + options_.stream_time;
  while (clock_.Now() < deadline) {
    SignalTheProcess();
    const int taken = link_.ReadInput(report, kPollStep);
    if (taken < 0) {
      return Check(false, "input reports", "read failed after " + std::to_string(reports));
    }
    if (taken == 0) continue;
    ++reports;
    lengths_ok = lengths_ok && taken == link_.InputReportByteLength();
    frames_.AddInputReport(std::span(report).first(static_cast<std::size_t>(taken)));
  }
  const std::size_t pvt = frames_.count(kUbxClassNav, kUbxIdNavPvt);
  const std::size_t svinfo = frames_.count(kUbxClassNav, kUbxIdNavSvInfo);
  const std::size_t nav_clock = frames_.count(kUbxClassNav, kUbxIdNavClock);
  const std::size_t timeutc = frames_.count(kUbxClassNav, kUbxIdNavTimeUtc);
  return Check(reports > 0 && lengths_ok, "input reports",
               std::to_string(reports) + " reports of " +
                   std::to_string(link_.InputReportByteLength()) + " bytes") &&
         Check(pvt > 0 && svinfo > 0 && nav_clock > 0 && timeutc > 0, "receiver stream",
               std::to_string(frames_.frame_count()) + " frames: NAV-PVT " + std::to_string(pvt) +
                   " NAV-SVINFO " + std::to_string(svinfo) + " NAV-CLOCK " +
                   std::to_string(nav_clock) + " NAV-TIMEUTC " + std::to_string(timeutc));
}

bool HilClient::WaitForReadFailure(std::string_view step) {
  std::vector<std::uint8_t> report(static_cast<std::size_t>(link_.InputReportByteLength()));
  const auto deadline = clock_.Now() + kLossWait;
  int taken = 0;
  while (clock_.Now() < deadline && (taken = link_.ReadInput(report, kPollStep)) >= 0) {
  }
  return Check(taken < 0, step, "input read failed");
}

bool HilClient::ChangeSerial() {
  if (!Check(options_.new_serial.size() == kSerialNumberLength &&
                 link_.SendCommand(kNeedsDetected, SerialNumberCommand(options_.new_serial)),
             "command", "serial number " + options_.new_serial) ||
      !WaitForReadFailure("left the bus after the serial-number command")) {
    return false;
  }
  link_.DropLink();
  return Open(options_.new_serial);
}

bool HilClient::SleepAndUnplug() {
  if (!Check(link_.SendCommand(kNeedsDetected, SleepCommand()), "command", "6 (sleep)") ||
      !Check(options_.unplug_pid > 0 && kill(options_.unplug_pid, SIGUSR1) == 0, "unplug",
             "request sent") ||
      !WaitForReadFailure("unplug seen")) {
    return false;
  }
  link_.DropLink();
  const bool listed = !backend_.Enumerate(kVendorId, kProductIds).empty();
  return Check(!listed, "unplug seen", "no clock enumerated");
}

}  // namespace orvane
