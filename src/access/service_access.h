#pragma once

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

  // `trace` gets the `ubx` lines of the stream, as a session's poll writes them.
  ServiceAccess(std::unique_ptr<ControlConnection> connection, TraceLog& trace,
                MonotonicClock& clock);
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

  std::unique_ptr<ControlConnection> connection_;
  MonotonicClock& clock_;
  std::string serial_;
  std::string path_;
  Telemetry telemetry_;
  bool subscribed_ = false;
};

}  // namespace orvane
