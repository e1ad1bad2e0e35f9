#include "engine/clock_session.h"

#include <algorithm>
#include <cstdio>

#include "device/device_ids.h"
#include "device/hid/wide_text.h"
#include "engine/frequency_programming.h"
#include "engine/input_checks.h"
#include "protocol/commands.h"
#include "protocol/ubx_ids.h"

namespace orvane {
namespace {

constexpr std::chrono::milliseconds kPollInterval{50};
constexpr unsigned kDetectedAndLoaded = kNeedsDetected | kNeedsConfigLoaded;

std::optional<std::string> IdentityText(const std::optional<std::wstring>& wide) {
  if (!wide) return std::nullopt;
  return LowByteText(*wide);
}

}  // namespace

std::string ReleaseText(std::uint16_t release) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%X", unsigned{release} >> 8, unsigned{release} & 0xFFu);
  return text;
}

ClockSession::ClockSession(HidBackend& backend, TraceLog& trace, MonotonicClock& clock)
    : link_(backend, trace),
      clock_(clock),
      telemetry_(link_),
      input_reports_(kInputReportsBytes + 1) {}

std::vector<AttachedClock> ClockSession::ListClocks() {
  std::vector<AttachedClock> clocks;
  for (const HidDeviceInfo& info : link_.backend().Enumerate(kVendorId, kProductIds)) {
    std::string serial = LowByteText(info.serial);
    if (serial.empty()) continue;
    clocks.push_back({std::move(serial), info.path, LowByteText(info.manufacturer),
                      LowByteText(info.product), info.release});
  }
  return clocks;
}

ClockSession::OpenResult ClockSession::Open(const std::string& serial, bool or_another) {
  link_.DeviceDetected = false;
  const std::vector<AttachedClock> attached = ListClocks();
  OpenResult result;
  const auto try_open = [&](const AttachedClock& clock) {
    OpenError error = OpenError::kNone;
    std::unique_ptr<HidDevice> handle = link_.backend().Open(clock.path, &error);
    if (!handle) {
      if (error == OpenError::kPermissionDenied && result.denied_path.empty()) {
        result.denied_path = clock.path;
      }
      return false;
    }
    link_.DeviceHandle = std::move(handle);
    link_.DevicePathName = clock.path;
    link_.serial = clock.serial;
    link_.VersionNumber = clock.release;
    link_.latest_clock_drift_ppb.reset();
    link_.silent_since.reset();
    ++link_.connection;
    link_.DeviceDetected = true;
    return true;
  };
  // The first clock that matches both the IDs and the serial number wins.
  for (const AttachedClock& clock : attached) {
    if (clock.serial == serial && try_open(clock)) break;
  }
  // A clock that cannot be opened must not keep the others from being used.
  if (!link_.DeviceDetected && or_another && !result.denied_path.empty()) {
    for (auto clock = attached.rbegin(); clock != attached.rend(); ++clock) {
      if (clock->serial != serial && try_open(*clock)) break;
    }
  }
  if (!link_.DeviceDetected) return result;
  link_.FeatureReportByteLength = link_.DeviceHandle->FeatureReportLength();
  link_.InputReportByteLength = link_.DeviceHandle->InputReportLength();
  link_.ReadHandle = link_.backend().Open(link_.DevicePathName);
  result.opened = true;
  return result;
}

ClockSession::Connection ClockSession::Connect(const std::string& serial) {
  Connection connection;
  const std::vector<AttachedClock> clocks = ListClocks();
  link_.DeviceListReady = true;
  if (clocks.empty()) return connection;
  connection.open = Open(serial.empty() ? clocks.back().serial : serial, serial.empty());
  if (connection.open.opened) connection.configuration = Readback(&connection.identity);
  return connection;
}

std::optional<DeviceConfiguration> ClockSession::Readback(ClockIdentity* identity) {
  link_.LedBlinkOn = false;
  link_.ConfigLoaded = false;
  if (!link_.DeviceDetected) return std::nullopt;
  const ClockIdentity read = ReadIdentity();
  if (identity != nullptr) *identity = read;
  if (!link_.ReportLengthUsable()) return std::nullopt;
  std::optional<DeviceConfiguration> configuration = FetchConfiguration();
  StartStatusMessages();
  return configuration;
}

void ClockSession::FactoryDefaults(const DeviceConfiguration& stored,
                                   const std::string& serial_for_unset) {
  constexpr char kUnsetSerial[] = "000000";
  constexpr double kDefaultFrequency = 10000000;
  constexpr std::size_t kDefaultVcoEntry = 59;
  constexpr int kDriveStrength32mA = 3;
  constexpr std::int16_t kFactoryCorrection = -500;
  // The serial-number write drops the link; every later step would be refused by its guards.
  if (link_.serial == kUnsetSerial) {
    WriteSerialNumber(serial_for_unset);
    return;
  }
  SetDriveStrength(kDriveStrength32mA);
  if (!(stored.output_flags & 1)) SetOutputEnabled(true);
  CandidateTable table;
  FindOutputCandidates(kDefaultFrequency, table);
  DividerRequest request = {.nc2_ls = std::to_string(stored.dividers.nc2_ls)};
  for (const std::size_t entry : {std::size_t{0}, kDefaultVcoEntry}) {
    // Fewer candidates than expected: the last one is the nearest to the default.
    request.vco_index = std::min(entry, table.CandidateCount() - 1);
    if (const auto plan = PlanDividers(kDefaultFrequency, table, request, nullptr)) {
      ProgramPll(plan->dividers);
      request.nc2_ls = plan->texts.nc2_ls;  // the field as the check left it
      // "Save and recalibrate PLL" sends the last set again, NC2_LS taken from NC1_LS.
      if (entry == kDefaultVcoEntry) {
        request.nc2_ls = plan->texts.nc1_ls;
        if (const auto saved = PlanDividers(kDefaultFrequency, table, request, nullptr)) {
          ProgramPll(saved->dividers);
        }
      }
    }
  }
  const std::optional<DeviceConfiguration> configuration = Readback();
  // A clock still on its factory correction gets the receiver's latest estimate.
  if (!configuration || configuration->tcxo_correction != kFactoryCorrection) return;
  if (!link_.latest_clock_drift_ppb) return;
  if (const auto correction = CorrectionFromText(std::to_string(*link_.latest_clock_drift_ppb))) {
    StoreCorrection(correction->ppb);
    Readback();
  }
}

ClockIdentity ClockSession::ReadIdentity() {
  // The device needs a moment between its strings and the configuration fetch.
  clock_.SleepFor(kIdentityPause);
  ClockIdentity identity;
  identity.release = link_.VersionNumber;
  if (link_.ReadHandle) identity.manufacturer = IdentityText(link_.ReadHandle->Manufacturer());
  clock_.SleepFor(kIdentityPause);
  if (link_.ReadHandle) identity.product = IdentityText(link_.ReadHandle->Product());
  return identity;
}

std::optional<DeviceConfiguration> ClockSession::FetchConfiguration() {
  clock_.SleepFor(kIdentityPause);
  std::vector<std::uint8_t> report = link_.NewFeatureReport();
  if (!link_.Fetch(report)) return std::nullopt;
  return DecodeConfigurationReport(report);
}

void ClockSession::StartStatusMessages() {
  link_.ConfigLoaded = true;
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavSvInfo, kStatusMessageRate});
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavClock, kStatusMessageRate});
}

void ClockSession::StopStatusMessages() {
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavSvInfo, 0});
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavClock, 0});
}

void ClockSession::StartTimeMessages() {
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavTimeUtc, kTimeUtcMessageRate});
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavTimeLs, kLeapSecondMessageRate});
}

void ClockSession::StopTimeMessages() {
  link_.SetReceiverMessageRate({kUbxClassNav, kUbxIdNavTimeLs, 0});
}

bool ClockSession::AcceptsCommands() const {
  return link_.GuardsHold(kDetectedAndLoaded) && link_.ReportLengthUsable();
}

bool ClockSession::SendWithDetectedAndLoaded(const Command& command) {
  return link_.SendCommand(kDetectedAndLoaded, command);
}

bool ClockSession::SetOutputEnabled(bool enabled) {
  return SendWithDetectedAndLoaded(OutputEnableCommand(enabled));
}

bool ClockSession::ToggleLedBlink() {
  if (!link_.GuardsHold(kDetectedAndLoaded)) return false;
  link_.LedBlinkOn = !link_.LedBlinkOn;
  return SendWithDetectedAndLoaded(LedBlinkCommand(link_.LedBlinkOn));
}

bool ClockSession::SetDriveStrength(int index) {
  if (index < 0 || index > 255) return false;
  return link_.SendCommand(kNeedsListReady | kDetectedAndLoaded,
                           DriveStrengthCommand(static_cast<std::uint8_t>(index)));
}

bool ClockSession::SetConstellations(std::uint8_t mask) {
  return SendWithDetectedAndLoaded(ConstellationsCommand(mask));
}

bool ClockSession::StoreCorrection(std::int16_t ppb) {
  return link_.SendCommand(kNeedsDetected, CorrectionStoreCommand(ppb));
}

bool ClockSession::Sleep() { return SendWithDetectedAndLoaded(SleepCommand()); }

bool ClockSession::WriteRegister(std::uint8_t address, std::uint8_t value) {
  return SendWithDetectedAndLoaded(RegisterWriteCommand(address, value));
}

bool ClockSession::ProgramPll(const PllDividers& dividers) {
  const Command command = PllConfigurationCommand(dividers);
  const bool first = SendWithDetectedAndLoaded(command);
  const bool second = SendWithDetectedAndLoaded(command);
  return first && second;
}

bool ClockSession::WriteSerialNumber(const std::string& serial) {
  // A device too short for any report gets none, and keeps its link.
  if (!link_.DeviceDetected || !link_.ReportLengthUsable()) return false;
  const bool sent = link_.SendCommand(kNeedsDetected, SerialNumberCommand(serial));
  link_.DropLink();
  return sent;
}

PollResult ClockSession::Poll(const PollListener& listener) {
  PollResult result;
  if (!link_.DeviceDetected) return result;
  std::size_t bytes = 0;
  switch (link_.ReselectPending ? ReadOutcome::kLost : ReadInputReports(bytes)) {
    case ReadOutcome::kReports: {
      result.outcome = PollOutcome::kReports;
      if (link_.set_poll_interval) link_.set_poll_interval(kPollInterval);
      const auto report_length = static_cast<std::size_t>(link_.InputReportByteLength);
      const auto reads = std::span<const std::uint8_t>(input_reports_).first(bytes);
      // Only the first report of a read speaks for the device's state.
      result.status = DecodeReportStatus(reads.first(std::min(bytes, report_length)));
      if (result.status) telemetry_.set_status(*result.status);
      ForEachStreamSlice(reads, report_length, [&](std::span<const std::uint8_t> stream) {
        const auto index = static_cast<std::size_t>(stream.data() - reads.data()) / report_length;
        const ReceiveTime& received = input_times_[index];
        if (listener.stream) listener.stream(stream, received);
        telemetry_.Parse(stream, received, [&](const UbxMessage& message) {
          ++result.frames;
          if (listener.message) listener.message(message);
        });
      });
      if (link_.VersionNumber >= kFirstReferenceRelease) result.pll_reference = QueryPllReference();
      break;
    }
    case ReadOutcome::kNothingYet:
      result.outcome = PollOutcome::kNothingYet;
      break;
    case ReadOutcome::kLost:
      result.outcome = PollOutcome::kLost;
      link_.trace().Write(link_.serial, "lost", link_.DevicePathName);
      link_.DropLink();
      break;
  }
  return result;
}

ClockSession::ReadOutcome ClockSession::ReadInputReports(std::size_t& bytes) {
  // Reports are taken one by one, back to back, so that one tick gets everything queued since
  // the last; a report shorter than the device's length ends the read as a partial one would.
  const auto report_length = static_cast<std::size_t>(
      std::clamp<int>(link_.InputReportByteLength, 1, static_cast<int>(kInputReportsBytes)));
  bytes = 0;
  input_times_.clear();
  std::chrono::milliseconds wait = kFirstReportWait;
  while (bytes + report_length <= kInputReportsBytes) {
    const auto slot = std::span(input_reports_).subspan(bytes, report_length);
    slot[0] = 0;
    ReceiveTime received;
    const int count = link_.DeviceHandle->ReadInput(slot, wait, &received);
    if (count < 0) {
      link_.LastResult = false;
      return ReadOutcome::kLost;
    }
    if (count == 0) break;
    input_times_.push_back(received);
    bytes += std::min(static_cast<std::size_t>(count), report_length);
    if (static_cast<std::size_t>(count) < report_length) break;
    wait = std::chrono::milliseconds(0);
  }
  link_.LastResult = true;
  if (bytes > 0) {
    link_.silent_since.reset();
    return ReadOutcome::kReports;
  }
  const std::chrono::nanoseconds now = clock_.Now();
  // The silence began when the first empty wait did.
  if (!link_.silent_since) link_.silent_since = now - std::chrono::nanoseconds(kFirstReportWait);
  return now - *link_.silent_since >= kSilenceLimit ? ReadOutcome::kLost : ReadOutcome::kNothingYet;
}

std::optional<PllReferenceCounts> ClockSession::QueryPllReference() {
  link_.SendCommand(kNeedsDetected, ReferenceQueryCommand());
  // The device needs this long to have the counts ready after the query.
  clock_.SleepFor(kReferenceReplyDelay);
  std::vector<std::uint8_t> reply = link_.NewFeatureReport();
  if (!link_.Fetch(reply)) return std::nullopt;
  std::optional<PllReferenceCounts> counts = DecodePllReferenceReply(reply);
  if (counts) telemetry_.set_pll_reference(*counts);
  return counts;
}

}  // namespace orvane
