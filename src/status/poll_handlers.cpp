#include "status/poll_handlers.h"

#include <algorithm>

#include "engine/label29_caption.h"
#include "engine/number_text.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"

namespace orvane {

namespace {

constexpr std::chrono::milliseconds kPollInterval{50};
// The device needs this long to have the reference counts ready after the query.
constexpr std::chrono::milliseconds kReferenceReplyDelay{2};

std::optional<double> FieldNumber(const QLineEdit* field) {
  return ParseNumber(field->text().toStdString());
}

}  // namespace

PollHandlers::PollHandlers(Controls controls, DeviceLink& link, MonotonicClock& clock,
                           TelemetryDisplay& telemetry, SatelliteBars& bars, Calls calls)
    : ui_(controls),
      link_(link),
      clock_(clock),
      telemetry_(telemetry),
      bars_(bars),
      calls_(std::move(calls)),
      InputReports_(kInputReportsBytes + 1) {}

void PollHandlers::Timer_Timer() { PollDevice(); }

void PollHandlers::PollDevice() {
  // A modal message raised inside a tick runs a nested event loop in which the timer still fires;
  // a nested tick would use handles and a read buffer that the outer one is in the middle of.
  if (polling_) return;
  polling_ = true;
  if (link_.DeviceDetected) {
    std::size_t bytes = 0;
    switch (link_.ReselectPending ? ReadOutcome::kLost : ReadInputReports(bytes)) {
      case ReadOutcome::kReports: {
        link_.set_poll_interval(kPollInterval);
        const auto report_length = static_cast<std::size_t>(link_.InputReportByteLength);
        ShowStatus(bytes, report_length);
        ForEachStreamSlice(
            std::span(InputReports_).first(bytes), report_length,
            [this](std::span<const std::uint8_t> slice) { telemetry_.Parse(slice); });
        if (link_.VersionNumber >= kFirstReferenceRelease) QueryPllReference();
        break;
      }
      case ReadOutcome::kNothingYet:
        break;
      case ReadOutcome::kLost:
        DeviceLost();
        break;
    }
  }
  if (!link_.DeviceDetected) Rediscover();
  bars_.Age();
  polling_ = false;
}

PollHandlers::ReadOutcome PollHandlers::ReadInputReports(std::size_t& bytes) {
  // Reports are taken one by one, back to back, so that one tick gets everything queued since
  // the last; a report shorter than the device's length ends the read as a partial one would.
  const auto report_length = static_cast<std::size_t>(
      std::clamp<int>(link_.InputReportByteLength, 1, static_cast<int>(kInputReportsBytes)));
  bytes = 0;
  std::chrono::milliseconds wait = kFirstReportWait;
  while (bytes + report_length <= kInputReportsBytes) {
    const auto slot = std::span(InputReports_).subspan(bytes, report_length);
    slot[0] = 0;
    const int count = link_.DeviceHandle->ReadInput(slot, wait);
    if (count < 0) {
      link_.LastResult = false;
      return ReadOutcome::kLost;
    }
    if (count == 0) break;
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

void PollHandlers::ShowStatus(std::size_t bytes, std::size_t report_length) {
  // Only the first report of a read speaks for the device's state.
  const auto first = std::span(InputReports_).first(std::min(bytes, report_length));
  const std::optional<ReportStatus> status = DecodeReportStatus(first);
  if (!status) return;
  ui_.Label16->setText(QStringLiteral("Signal loss count: %1").arg(status->signal_loss_count));
  ui_.LOS->setVisible(status->no_gnss_signal);
  ui_.set_TCXO_GPS->setEnabled(!status->no_gnss_signal);
  ui_.LOL->setVisible(status->pll_not_locked);
}

void PollHandlers::QueryPllReference() {
  link_.SendCommand(kNeedsDetected, ReferenceQueryCommand());
  clock_.SleepFor(kReferenceReplyDelay);
  std::vector<std::uint8_t> reply = link_.NewFeatureReport();
  if (!link_.Fetch(reply)) return;
  const std::optional<PllReferenceCounts> counts = DecodePllReferenceReply(reply);
  if (!counts) return;
  const std::optional<std::string> caption = Label29Caption(
      *counts, {FieldNumber(ui_.N2_HS), FieldNumber(ui_.GPS), FieldNumber(ui_.N2_LS)});
  if (caption) ui_.Label29->setText(QString::fromStdString(*caption));
}

void PollHandlers::DeviceLost() {
  link_.trace().Write(link_.serial, "lost", link_.DevicePathName);
  link_.DropLink();
  bars_.ResetOnLoss();
  ui_.LOL->setVisible(true);
  ui_.LOS->setVisible(true);
  ui_.set_TCXO_GPS->setEnabled(false);
}

void PollHandlers::Rediscover() {
  link_.ConfigLoaded = false;
  calls_.Scan_USB_devices();
  link_.DeviceDetected = calls_.FindTheHid();
  if (link_.DeviceDetected) link_.ReselectPending = false;
  // Without a device the readback puts the window into its look without one.
  calls_.ReadDeviceConfiguration();
}

}  // namespace orvane
