#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_ids.h"
#include "device/hid/input_report_queue.h"
#include "device/monotonic_clock.h"
#include "protocol/config_report.h"
#include "sim/receiver_stream.h"

namespace orvane {

// Makes the receiver of one power-up; every power-up starts a fresh one.
using ReceiverFactory = std::function<std::unique_ptr<ReceiverStream>()>;

// What the device holds in flash when it leaves the factory.
DeviceConfiguration FactoryConfiguration();

struct ClockDeviceOptions {
  std::string serial = "G60031";
  std::string manufacturer = "Orvane";
  std::string product = "GNSS Reference Clock";
  std::uint16_t release = 0x0112;
  std::uint16_t product_id = kProductIds[0];
  int feature_report_length = 64;
  int input_report_length = 64;
  DeviceConfiguration stored = FactoryConfiguration();
  ReceiverFactory make_receiver;  // empty: the built-in receiver model
  // Every feature report the host sent is kept for received(); a device that runs for days in a
  // service keeps none.
  bool record_received = true;
};

// The simulated clock: stored configuration and identity, every command's effect, the status
// input reports with the receiver's stream cut into report-sized slices, PLL lock, reference
// counts, re-enumeration, sleep and the faults tests inject. Runs lazily on the injected clock:
// each host call first brings the model up to Now().
class ClockDevice {
 public:
  static constexpr std::chrono::milliseconds kReportPeriod{10};
  static constexpr std::chrono::milliseconds kPllSettleTime{1000};
  static constexpr std::chrono::milliseconds kReenumerationDelay{500};
  // Reports one handle holds before new ones are dropped.
  static constexpr std::size_t kInputQueueCapacity = 4096;

  ClockDevice(ClockDeviceOptions options, MonotonicClock& clock);

  // Identity as the bus shows it.
  const std::string& serial() const { return serial_; }
  const std::string& manufacturer() const { return options_.manufacturer; }
  const std::string& product() const { return options_.product; }
  std::uint16_t release() const { return options_.release; }
  std::uint16_t product_id() const { return options_.product_id; }
  int feature_report_length() const { return options_.feature_report_length; }
  int input_report_length() const { return options_.input_report_length; }

  // Plugged in and enumerated (not while it re-enumerates under a new serial).
  bool present() const;
  // Changes whenever the device leaves the bus; a handle opened on an older one is dead.
  std::uint64_t connection() const { return connection_; }

  // Host side, through an open handle.
  bool SetFeature(std::span<const std::uint8_t> report);
  bool GetFeature(std::span<std::uint8_t> report);
  // A queue that receives every input report from now on, for as long as it is held.
  std::shared_ptr<InputReportQueue> OpenInputQueue();
  // Brings the model up to Now(); returns when the next input report is due, nullopt when none
  // will come (asleep, stalled or unplugged).
  std::optional<std::chrono::nanoseconds> Advance();
  // Consumes a failure injected with FailNextRead().
  bool TakeReadFailure();
  bool asleep() const { return asleep_; }

  // What tests inspect.
  const DeviceConfiguration& configuration() const { return configuration_; }
  const std::vector<std::string>& violations() const { return violations_; }
  const std::vector<std::vector<std::uint8_t>>& received() const { return received_; }
  std::optional<std::uint8_t> register_value(std::uint8_t address) const;
  bool led_blinking() const { return led_blinking_; }
  bool pll_locked() const { return PllLockedAt(clock_.Now()); }
  std::uint64_t input_overflow_count() const { return input_overflows_; }

  // Test controls.
  void Unplug();
  // Plugs in again (a power cycle when still plugged): fresh receiver, awake, PLL settling.
  void Replug();
  void FailNextSet() { fail_next_set_ = true; }
  void FailNextGet() { fail_next_get_ = true; }
  void FailNextRead() { fail_next_read_ = true; }
  void StallInput(bool stalled) { stalled_ = stalled; }
  // Every feature call then blocks this long on the injected clock before it is answered, as a
  // wedged device's does; 0: answered at once. Any thread.
  void HangFeatureCalls(std::chrono::nanoseconds each) { feature_hang_ = each; }
  std::chrono::nanoseconds feature_hang() const { return feature_hang_; }

  // Held by the backend and its handles across each call into the model, so that a clock served
  // on a thread of its own and the bus listing on another never meet inside it.
  std::mutex& host_mutex() const { return host_mutex_; }
  void SetReportLengths(int feature, int input);

 private:
  void PowerUp();
  void LeaveBus();
  void Apply(std::span<const std::uint8_t> report);
  void Tick(std::chrono::nanoseconds at);
  void Broadcast(std::span<const std::uint8_t> report, const ReceiveTime& due);
  bool PllLockedAt(std::chrono::nanoseconds at) const;
  std::chrono::nanoseconds SincePowerUp(std::chrono::nanoseconds at) const;

  ClockDeviceOptions options_;
  MonotonicClock& clock_;
  std::string serial_;
  DeviceConfiguration configuration_;

  bool plugged_ = true;
  std::chrono::nanoseconds on_bus_from_{0};
  std::uint64_t connection_ = 0;
  std::vector<std::weak_ptr<InputReportQueue>> queues_;

  // State of one power-up.
  std::chrono::nanoseconds powered_at_{0};
  std::unique_ptr<ReceiverStream> receiver_;
  std::map<std::uint8_t, std::uint8_t> registers_;
  bool led_blinking_ = false;
  bool asleep_ = false;
  bool reference_reply_pending_ = false;
  bool pll_can_lock_ = false;
  std::chrono::nanoseconds pll_settles_at_{0};
  std::chrono::nanoseconds next_report_at_{0};
  std::vector<std::uint8_t> waiting_;  // receiver bytes not yet sent
  std::uint8_t signal_loss_count_ = 0;
  bool had_no_signal_ = true;

  bool stalled_ = false;
  std::atomic<std::chrono::nanoseconds> feature_hang_{std::chrono::nanoseconds{0}};
  mutable std::mutex host_mutex_;
  bool fail_next_set_ = false;
  bool fail_next_get_ = false;
  bool fail_next_read_ = false;
  std::uint64_t input_overflows_ = 0;
  std::vector<std::string> violations_;
  std::vector<std::vector<std::uint8_t>> received_;
};

}  // namespace orvane
