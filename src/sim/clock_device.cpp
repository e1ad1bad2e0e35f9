#include "sim/clock_device.h"

#include <algorithm>
#include <utility>

#include "protocol/commands.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"
#include "sim/command_check.h"
#include "sim/default_receiver.h"
#include "sim/pll_model.h"

namespace orvane {
namespace {

namespace cmd = command;
using std::chrono::nanoseconds;

}  // namespace

DeviceConfiguration FactoryConfiguration() {
  DeviceConfiguration config;
  config.output_flags = 1;
  config.drive_index = 3;
  config.dividers = {.gps = 2875000,
                     .n31 = 3,
                     .n2_hs = 11,
                     .n2_ls = 480,
                     .n1_hs = 11,
                     .nc1_ls = 46,
                     .nc2_ls = 46,
                     .bw = 15};
  config.tcxo_correction = -500;
  config.ConstellationMask = 0x41;
  return config;
}

ClockDevice::ClockDevice(ClockDeviceOptions options, MonotonicClock& clock)
    : options_(std::move(options)),
      clock_(clock),
      serial_(options_.serial),
      configuration_(options_.stored) {
  if (!options_.make_receiver) options_.make_receiver = [] { return MakeDefaultReceiver(); };
  PowerUp();
}

bool ClockDevice::present() const { return plugged_ && clock_.Now() >= on_bus_from_; }

void ClockDevice::PowerUp() {
  const nanoseconds now = clock_.Now();
  powered_at_ = now;
  receiver_ = options_.make_receiver();
  registers_.clear();
  led_blinking_ = false;
  asleep_ = false;
  reference_reply_pending_ = false;
  pll_can_lock_ = PllCanLock(configuration_.dividers);
  pll_settles_at_ = now + kPllSettleTime;
  next_report_at_ = now + kReportPeriod;
  waiting_.clear();
  signal_loss_count_ = 0;
  had_no_signal_ = true;
}

void ClockDevice::LeaveBus() {
  ++connection_;
  queues_.clear();
}

void ClockDevice::Unplug() {
  plugged_ = false;
  LeaveBus();
}

void ClockDevice::Replug() {
  if (plugged_) Unplug();
  plugged_ = true;
  on_bus_from_ = clock_.Now();
  PowerUp();
}

void ClockDevice::SetReportLengths(int feature, int input) {
  options_.feature_report_length = std::max(feature, 1);
  options_.input_report_length = std::max(input, 1);
}

bool ClockDevice::TakeReadFailure() { return std::exchange(fail_next_read_, false); }

std::optional<std::uint8_t> ClockDevice::register_value(std::uint8_t address) const {
  const auto found = registers_.find(address);
  if (found == registers_.end()) return std::nullopt;
  return found->second;
}

std::shared_ptr<InputReportQueue> ClockDevice::OpenInputQueue() {
  Advance();  // reports due before the open are not the new handle's
  auto queue = std::make_shared<InputReportQueue>(kInputQueueCapacity);
  queues_.push_back(queue);
  return queue;
}

bool ClockDevice::SetFeature(std::span<const std::uint8_t> report) {
  Advance();
  if (asleep_ || std::exchange(fail_next_set_, false)) return false;
  if (options_.record_received) received_.emplace_back(report.begin(), report.end());
  for (std::string& fault : CheckCommandReport(report, options_.feature_report_length)) {
    violations_.push_back(std::move(fault));
  }
  Apply(report);
  return true;
}

bool ClockDevice::GetFeature(std::span<std::uint8_t> report) {
  Advance();
  if (asleep_ || std::exchange(fail_next_get_, false)) return false;
  if (report.empty() || report[0] != 0) {
    violations_.push_back("feature request for a report ID other than 0");
    return false;
  }
  const auto length = static_cast<std::size_t>(options_.feature_report_length);
  if (report.size() != length) {
    violations_.push_back("feature request of " + std::to_string(report.size()) +
                          " bytes instead of " + std::to_string(length));
  }
  std::vector<std::uint8_t> answer(std::max(length, kConfigurationReportLength));
  if (std::exchange(reference_reply_pending_, false)) {
    const double drift = receiver_->ClockDriftPpb(SincePowerUp(clock_.Now()));
    EncodePllReferenceReply(MakeReferenceCounts(configuration_.dividers, drift), answer);
  } else {
    EncodeConfigurationReport(configuration_, answer);
  }
  answer.resize(length);  // a short device sends what its report holds
  std::fill(report.begin(), report.end(), 0);
  std::copy_n(answer.begin(), std::min(answer.size(), report.size()), report.begin());
  return true;
}

void ClockDevice::Apply(std::span<const std::uint8_t> r) {
  if (r.size() < 2) return;
  const std::size_t needed = CommandLength(r[1]);
  if (needed == 0 || r.size() < needed) return;  // nothing the firmware can act on
  switch (r[1]) {
    case cmd::kOutputEnable:
      configuration_.output_flags = CommandByte(r);
      break;
    case cmd::kLedBlink:
      led_blinking_ = CommandByte(r) != 0;
      break;
    case cmd::kDriveStrength:
      configuration_.drive_index = CommandByte(r);
      break;
    case cmd::kPllConfiguration:
      configuration_.dividers = DecodePllConfiguration(r);
      pll_can_lock_ = PllCanLock(configuration_.dividers);
      pll_settles_at_ = clock_.Now() + kPllSettleTime;
      break;
    case cmd::kRegisterWrite: {
      const RegisterWrite write = DecodeRegisterWrite(r);
      registers_[write.address] = write.value;
      break;
    }
    case cmd::kSleep:
      asleep_ = true;
      break;
    case cmd::kReceiverMessage: {
      const ReceiverMessage message = DecodeReceiverMessage(r);
      if (message.length <= message.following.size()) {
        receiver_->Receive(message.msg_class, message.msg_id,
                           message.following.first(message.length));
      }
      break;
    }
    case cmd::kReferenceQuery:
      if (CommandByte(r) == cmd::kReferenceCountsSubcommand) reference_reply_pending_ = true;
      break;
    case cmd::kTcxoCorrection:
      if (const CorrectionStore correction = DecodeCorrectionStore(r); correction.store) {
        configuration_.tcxo_correction = correction.ppb;
      }
      break;
    case cmd::kConstellations:
      configuration_.ConstellationMask = CommandByte(r);
      break;
    case cmd::kSerialNumber: {
      const SerialNumberWrite write = DecodeSerialNumber(r);
      if (!write.marked) break;
      serial_.assign(write.serial.begin(), write.serial.end());
      // The firmware drops off the bus and comes back under the new serial.
      LeaveBus();
      on_bus_from_ = clock_.Now() + kReenumerationDelay;
      break;
    }
  }
}

bool ClockDevice::PllLockedAt(nanoseconds at) const {
  return pll_can_lock_ && at >= pll_settles_at_;
}

nanoseconds ClockDevice::SincePowerUp(nanoseconds at) const { return at - powered_at_; }

std::optional<nanoseconds> ClockDevice::Advance() {
  if (!plugged_) return std::nullopt;
  const nanoseconds now = clock_.Now();
  for (; next_report_at_ <= now; next_report_at_ += kReportPeriod) {
    if (!asleep_) Tick(next_report_at_);
  }
  if (asleep_ || stalled_) return std::nullopt;
  return next_report_at_;
}

// One report period: the status as it stands, one report, and as many more as the waiting
// receiver bytes fill. Bytes go out only as whole slices, so every carried byte is valid.
void ClockDevice::Tick(nanoseconds at) {
  const nanoseconds since_power_up = SincePowerUp(at);
  receiver_->EmitUntil(since_power_up, waiting_);
  const bool no_signal = !receiver_->HasSignal(since_power_up);
  if (no_signal && !had_no_signal_) ++signal_loss_count_;
  had_no_signal_ = no_signal;
  if (stalled_) return;  // the bytes wait for the stream to move again

  const auto length = static_cast<std::size_t>(options_.input_report_length);
  const std::size_t slice = length > kStatusLength ? length - kStatusLength : 0;
  std::vector<std::uint8_t> report(std::max(length, kStatusLength));
  const ReportStatus status = {.signal_loss_count = signal_loss_count_,
                               .no_gnss_signal = no_signal,
                               .pll_not_locked = !PllLockedAt(at)};
  std::size_t sent = 0;
  do {
    std::span<const std::uint8_t> stream;
    if (slice > 0 && waiting_.size() - sent >= slice) {
      stream = std::span(waiting_).subspan(sent, slice);
      sent += slice;
    }
    EncodeStatusReport(status, stream, report);
    Broadcast(std::span(report).first(length), {clock_.RealtimeAt(at), at});
  } while (slice > 0 && waiting_.size() - sent >= slice);
  waiting_.erase(waiting_.begin(), waiting_.begin() + sent);
}

void ClockDevice::Broadcast(std::span<const std::uint8_t> report, const ReceiveTime& due) {
  std::erase_if(queues_, [](const auto& queue) { return queue.expired(); });
  for (const auto& held : queues_) {
    if (!held.lock()->Push({report.begin(), report.end()}, due)) ++input_overflows_;
  }
}

}  // namespace orvane
