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

void ClockSession::Rescan(const std::function<void(const std::vector<AttachedClock>&)>& show) {
  link_.device_list_ready_ = false;
  show(ListClocks());
  link_.device_list_ready_ = true;
}

ClockSession::OpenResult ClockSession::Open(const std::string& serial, bool or_another) {
  link_.device_detected_ = false;
  link_.config_loaded_ = false;
  const std::vector<AttachedClock> attached = ListClocks();
  OpenResult result;
  bool open_failed = false;
  const auto try_open = [&](const AttachedClock& clock) {
    OpenError error = OpenError::kNone;
    std::unique_ptr<HidDevice> handle = link_.backend().Open(clock.path, &error);
    if (!handle) {
      open_failed = true;
      if (error == OpenError::kPermissionDenied && result.denied_path.empty()) {
        result.denied_path = clock.path;
      }
      if (error == OpenError::kBusy && result.busy_path.empty()) {
        result.busy_path = clock.path;
        result.busy_holder = link_.backend().BusyHolder(clock.path);
        if (result.busy_holder.empty()) result.busy_holder = "another program";
      }
      return false;
    }
    link_.Attach(std::move(handle), clock.path, clock.serial, clock.release);
    telemetry_.Restart();
    silent_since_.reset();
    return true;
  };
  // The first clock that matches both the IDs and the serial number wins.
  for (const AttachedClock& clock : attached) {
    if (clock.serial == serial && try_open(clock)) break;
  }
  // A clock that cannot be opened, for whatever reason (busy, I/O error, no access), must not keep
  // the others from being used.
  if (!link_.device_detected_ && or_another && open_failed) {
    for (auto clock = attached.rbegin(); clock != attached.rend(); ++clock) {
      if (clock->serial != serial && try_open(*clock)) break;
    }
  }
  if (!link_.device_detected_) return result;
  link_.read_handle_ = link_.backend().Open(link_.device_path_name_);
  result.opened = true;
  return result;
}

ClockSession::Reselection ClockSession::Reselect(const std::string& serial) {
  Reselection reselection;
  link_.reselect_pending_ = true;
  if (link_.device_detected_) reselection.poll_interval = DropLink();
  reselection.open = Open(serial);
  return reselection;
}

std::chrono::milliseconds ClockSession::DropLink() {
  link_.DropLink();
  return kSearchInterval;
}

void ClockSession::Close() {
  link_.DropLink();
  link_.device_list_ready_ = false;
}

ClockSession::Connection ClockSession::Connect(const std::string& serial) {
  Connection connection;
  std::vector<AttachedClock> clocks;
  Rescan([&clocks](const std::vector<AttachedClock>& listed) { clocks = listed; });
  if (clocks.empty()) return connection;
  connection.open = Open(serial.empty() ? clocks.back().serial : serial, serial.empty());
  if (connection.open.opened) connection.configuration = Readback(&connection.identity);
  return connection;
}

std::optional<DeviceConfiguration> ClockSession::Readback(ClockIdentity* identity) {
  std::optional<StoredState> stored = ReadStoredState();
  if (!stored) return std::nullopt;
  if (identity != nullptr) *identity = stored->identity;
  if (!stored->usable) return std::nullopt;
  StartStatusMessages();
  return stored->configuration;
}

std::optional<ClockSession::StoredState> ClockSession::ReadStoredState() {
  link_.led_blink_on_ = false;
  link_.config_loaded_ = false;
  if (!link_.device_detected_) return std::nullopt;
  StoredState stored;
  stored.identity = ReadIdentity();
  stored.usable = link_.ReportLengthUsable();
  if (stored.usable) stored.configuration = FetchConfiguration();
  return stored;
}

void ClockSession::FactoryDefaults(const DeviceConfiguration& stored,
                                   const std::string& serial_for_unset) {
  constexpr char kUnsetSerial[] = "000000";
  constexpr double kDefaultFrequency = 10000000;
  constexpr std::size_t kDefaultVcoEntry = 59;
  constexpr int kDriveStrength32mA = 3;
  constexpr std::int16_t kFactoryCorrection = -500;
  // The serial-number write drops the link; every later step would be refused by its guards.
  if (link_.serial_ == kUnsetSerial) {
    WriteSerialNumber(serial_for_unset);
    return;
  }
  SetDriveStrength(kDriveStrength32mA);
  if (!(stored.output_flags & 1)) SetOutputEnabled(true);
  CandidateTable table;
  FindOutputCandidates(kDefaultFrequency, table);
  // The window's search clears NC2_LS, so its field check sends the default whatever the clock
  // holds.
  DividerRequest request;
  for (const std::size_t entry : {std::size_t{0}, kDefaultVcoEntry}) {
    // Fewer candidates than expected: the last one is the nearest to the default.
    request.vco_index = std::min(entry, table.CandidateCount() - 1);
    if (const DividerPlan plan = PlanDividers(kDefaultFrequency, table, request)) {
      ProgramPll(*plan.dividers);
      request.nc2_ls = plan.dividers->nc2_ls;  // the field as the check left it
      // "Save and recalibrate PLL" sends the last set again, NC2_LS taken from NC1_LS.
      if (entry == kDefaultVcoEntry) {
        request.nc2_ls = plan.dividers->nc1_ls;
        if (const DividerPlan saved = PlanDividers(kDefaultFrequency, table, request)) {
          ProgramPll(*saved.dividers);
        }
      }
    }
  }
  const std::optional<DeviceConfiguration> configuration = Readback();
  // A clock still on its factory correction gets the receiver's latest estimate.
  if (!configuration || configuration->tcxo_correction != kFactoryCorrection) return;
  const std::optional<std::int32_t>& estimate = telemetry_.latest_clock_drift_ppb();
  if (!estimate) return;
  StoreCorrection(CorrectionFromPpb(*estimate).ppb);
  Readback();
}

ClockIdentity ClockSession::ReadIdentity() {
  // The device needs a moment between its strings and the configuration fetch.
  clock_.SleepFor(kIdentityPause);
  ClockIdentity identity;
  identity.release = link_.version_number_;
  if (link_.read_handle_) identity.manufacturer = IdentityText(link_.read_handle_->Manufacturer());
  clock_.SleepFor(kIdentityPause);
  if (link_.read_handle_) identity.product = IdentityText(link_.read_handle_->Product());
  return identity;
}

std::optional<DeviceConfiguration> ClockSession::FetchConfiguration() {
  clock_.SleepFor(kIdentityPause);
  std::vector<std::uint8_t> report = link_.NewFeatureReport();
  if (!link_.Fetch(report)) return std::nullopt;
  return DecodeConfigurationReport(report);
}

void ClockSession::StartStatusMessages() {
  link_.config_loaded_ = true;
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
  link_.led_blink_on_ = !link_.led_blink_on_;
  return SendWithDetectedAndLoaded(LedBlinkCommand(link_.led_blink_on_));
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

ClockSession::SerialNumberWrite ClockSession::WriteSerialNumber(const std::string& serial) {
  // A device too short for any report gets none, and keeps its link.
  if (!link_.device_detected_ || !link_.ReportLengthUsable()) return {};
  SerialNumberWrite write;
  write.sent = link_.SendCommand(kNeedsDetected, SerialNumberCommand(serial));
  write.poll_interval = DropLink();
  return write;
}

PollResult ClockSession::Poll(const PollListener& listener) {
  PollResult result;
  if (!link_.device_detected_) return result;
  std::size_t bytes = 0;
  switch (link_.reselect_pending_ ? ReadOutcome::kLost : ReadInputReports(bytes)) {
    case ReadOutcome::kReports: {
      result.outcome = PollOutcome::kReports;
      result.poll_interval = kPollInterval;
      const auto report_length = static_cast<std::size_t>(link_.input_report_byte_length_);
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
      if (link_.version_number_ >= kFirstReferenceRelease) {
        result.pll_reference = QueryPllReference();
      }
      break;
    }
    case ReadOutcome::kNothingYet:
      result.outcome = PollOutcome::kNothingYet;
      break;
    case ReadOutcome::kLost:
      result.outcome = PollOutcome::kLost;
      link_.trace().Write(link_.serial_, "lost", link_.device_path_name_);
      result.poll_interval = DropLink();
      break;
  }
  return result;
}

ClockSession::ReadOutcome ClockSession::ReadInputReports(std::size_t& bytes) {
  // Reports are taken one by one, back to back, so that one tick gets everything queued since
  // the last; a report shorter than the device's length ends the read as a partial one would.
  const auto report_length = static_cast<std::size_t>(
      std::clamp<int>(link_.input_report_byte_length_, 1, static_cast<int>(kInputReportsBytes)));
  bytes = 0;
  input_times_.clear();
  std::chrono::milliseconds wait = kFirstReportWait;
  while (bytes + report_length <= kInputReportsBytes) {
    const auto slot = std::span(input_reports_).subspan(bytes, report_length);
    slot[0] = 0;
    ReceiveTime received;
    const int count = link_.ReadInput(slot, wait, &received);
    if (count < 0) return ReadOutcome::kLost;
    if (count == 0) break;
    input_times_.push_back(received);
    bytes += std::min(static_cast<std::size_t>(count), report_length);
    if (static_cast<std::size_t>(count) < report_length) break;
    wait = std::chrono::milliseconds(0);
  }
  if (bytes > 0) {
    silent_since_.reset();
    return ReadOutcome::kReports;
  }
  const std::chrono::nanoseconds now = clock_.Now();
  // The silence began when the first empty wait did.
  if (!silent_since_) silent_since_ = now - std::chrono::nanoseconds(kFirstReportWait);
  return now - *silent_since_ >= kSilenceLimit ? ReadOutcome::kLost : ReadOutcome::kNothingYet;
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
