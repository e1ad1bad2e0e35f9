#pragma once

#include <functional>
#include <memory>
#include <string>

#include "access/clock_access.h"
#include "access/control_connection.h"
#include "device/trace_log.h"

namespace orvane {

// A clock the running orvaned serves, reached through its control socket: each operation one
// request the service runs whole between its polls; the live state from the subscription's
// events, fed into a telemetry of this client's own exactly as a session's poll feeds its own.
// The service keeps the receiver's messages on: ending only ends this client's lease.
class ServiceAccess : public ClockAccess {
 public:
  // How long a tick waits for the service's next poll event before the clock counts as lost.
  static constexpr std::chrono::milliseconds kEventWait{2000};

  // What a failed operation does: a command line stops with an AccessError; a window, whose
  // event handlers nothing may throw into, loses the clock as it would on a failed read (and a
  // refusal is traced and shown where set_refusal_shown says).
  enum class Failures { kThrow, kLoseClock };

  // `trace` gets the `ubx` lines of the stream, as a session's poll writes them.
  ServiceAccess(std::unique_ptr<ControlConnection> connection, TraceLog& trace,
                MonotonicClock& clock, Failures failures = Failures::kThrow);
  ~ServiceAccess() override;

  MonotonicClock& clock() override { return clock_; }
  // Only the clocks the service serves now: those a command can go on with through it.
  std::vector<AttachedClock> ListClocks() override;
  std::vector<ListedClock> CheckClocks() override { return ServiceList(false); }
  AccessConnection Connect(const std::string& serial) override;
  const std::string& serial() const override { return serial_; }
  const std::string& path() const override { return path_; }
  const Telemetry& telemetry() const override { return telemetry_; }
  PollResult Tick(const PollListener& listener) override;

  std::optional<DeviceConfiguration> FetchConfiguration() override;
  std::optional<DeviceConfiguration> Readback() override { return FetchConfiguration(); }

  bool SetOutputEnabled(bool enabled) override;
  bool ToggleLedBlink() override;
  bool SetDriveStrength(int index) override;
  bool SetConstellations(std::uint8_t mask) override;
  bool StoreCorrection(std::int16_t ppb) override;
  bool Sleep() override;
  bool WriteRegister(std::uint8_t address, std::uint8_t value) override;
  bool ProgramPll(const PllDividers& dividers) override;
  std::optional<PllDividers> SetFrequency(const FrequencyOrder& order) override;
  bool WriteSerialNumber(const std::string& serial) override;
  FactoryDefaultsOutcome FactoryDefaults(const DeviceConfiguration& stored,
                                         const std::string& serial_for_unset) override;
  void Disconnect(bool asleep) override;

  TraceLog& trace() override { return trace_; }
  bool DeviceDetected() const override { return detected_; }
  bool ConfigLoaded() const override { return config_loaded_; }
  bool DeviceListReady() const override { return list_ready_; }
  bool GuardsHold(unsigned guards) const override;
  // The service checks the clock's report lengths before it serves it.
  bool ReportLengthUsable() const override { return true; }
  int FeatureReportByteLength() const override { return 0; }
  bool AcceptsCommands() const override { return GuardsHold(kNeedsDetected | kNeedsConfigLoaded); }
  void Rescan(const std::function<void(const std::vector<AttachedClock>&)>& show) override;
  // Reads back and subscribes to a clock the service serves now; none is refused for access, so
  // `or_another` has nothing to give way to.
  ClockSession::OpenResult Open(const std::string& serial, bool or_another) override;
  ClockSession::Reselection Reselect(const std::string& serial) override;
  // What Open read, the first time after it; the stored configuration fetched anew after that.
  std::optional<ClockSession::StoredState> ReadStoredState() override;
  // The service keeps the receiver's messages on: only the guards open.
  void StartStatusMessages() override { config_loaded_ = detected_; }
  void StopStatusMessages() override {}
  // The subscription's events that arrived since the last tick, never waiting; a second without
  // one (a service that stopped answering) loses the clock, as a second of silence does directly.
  PollResult Poll(const PollListener& listener) override;
  void Close() override;

  // Whether this user may change clocks (the socket is not the read-only one).
  bool writable() const { return connection_->writable(); }
  // Where a window shows a change the service refused (on the read-only socket its message names
  // the group to join); a command line gets the refusal as an AccessError instead.
  void set_refusal_shown(std::function<void(const std::string&)> show) {
    show_refusal_ = std::move(show);
  }

 private:
  AccessError Silence(std::string_view op) const;
  // The service's clocks, attached ones only: every one, or only those it serves now.
  std::vector<ListedClock> ServiceList(bool served_only);
  // The reply to `op` on the connected clock; AccessError for every error but the clock's own
  // refusal ("failed"), which gives nullopt.
  std::optional<JsonValue> Change(std::string_view op, const ControlConnection::Members& args = {});
  // The reply, or AccessError for any error.
  JsonValue Answer(std::string_view op, const std::optional<std::string>& serial,
                   const ControlConnection::Members& args = {});
  // Change(); losing the clock on failures, behind the guards a session's sender of `op` tests,
  // and nullopt when they are closed or the operation failed.
  std::optional<JsonValue> GuardedChange(unsigned guards, std::string_view op,
                                         const ControlConnection::Members& args = {});
  // The link dropped as a session drops it on loss: the trace's `lost`, the guards closed.
  PollResult Lose();

  TraceLog& trace_;
  Failures failures_;
  std::function<void(const std::string&)> show_refusal_;
  bool detected_ = false;
  bool config_loaded_ = false;
  bool list_ready_ = false;
  ClockIdentity identity_;
  // The configuration Open read, until ReadStoredState takes it.
  std::optional<std::optional<DeviceConfiguration>> opened_configuration_;
  std::chrono::nanoseconds last_event_{};

  std::unique_ptr<ControlConnection> connection_;
  MonotonicClock& clock_;
  std::string serial_;
  std::string path_;
  Telemetry telemetry_;
  bool subscribed_ = false;
};

}  // namespace orvane
