#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "engine/clock_session.h"
#include "engine/frequency_programming.h"
#include "engine/telemetry.h"

namespace orvane {

// An attached clock as a list shows it, with why it cannot be used ("" when it can).
struct ListedClock {
  AttachedClock clock;
  std::string problem;
};

// What connecting found: whether the clock opened (and why not), whether its reports are long
// enough for the program, its identity and its stored configuration.
struct AccessConnection {
  ClockSession::OpenResult open;
  bool usable = false;
  ClockIdentity identity;
  std::optional<DeviceConfiguration> configuration;
};

// An output frequency to program: the request as typed and the plan made from the stored
// configuration the connection read.
struct FrequencyOrder {
  double hz = 0;
  DividerRequest request;
  PllDividers planned;
};

// What factory defaults left: a new serial number (the clock's was unset, and it left the bus to
// come back under it) or the configuration read back after.
struct FactoryDefaultsOutcome {
  std::optional<std::string> new_serial;
  std::optional<DeviceConfiguration> configuration;
};

// Why an operation could not run at all, beyond a clock's plain refusal (which operations report
// as false or nullopt).
class AccessError : public std::runtime_error {
 public:
  enum class Kind {
    kRefused,      // the service refused it (read-only socket) or cannot be reached
    kNoClock,      // no such clock
    kBadArgument,  // the request cannot be carried out as asked
    kFailed,       // the clock or the service failed
  };
  AccessError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// One clock reached for the length of a front end's work: directly through a ClockSession (its
// per-clock lock keeps other direct owners out) or through orvaned's control socket when the
// service serves the clock. Both give the same values and the same telemetry, so a front end
// presents the same whichever it has. Not thread-safe: one thread per access.
class ClockAccess {
 public:
  virtual ~ClockAccess() = default;

  virtual MonotonicClock& clock() = 0;
  virtual std::vector<AttachedClock> ListClocks() = 0;
  // The attached clocks, each with why it cannot be used.
  virtual std::vector<ListedClock> CheckClocks() = 0;
  // Opens and reads back `serial` (empty: the design's choice of clock) and starts its status
  // messages (directly) or its subscription (through the service).
  virtual AccessConnection Connect(const std::string& serial) = 0;
  // The connected clock's serial number and path.
  virtual const std::string& serial() const = 0;
  virtual const std::string& path() const = 0;
  virtual const Telemetry& telemetry() const = 0;
  // One status tick at the poll's pace: the reports since the last, decoded into the telemetry.
  virtual PollResult Tick(const PollListener& listener) = 0;

  virtual std::optional<DeviceConfiguration> FetchConfiguration() = 0;
  // The whole readback (identity, configuration, status messages).
  virtual std::optional<DeviceConfiguration> Readback() = 0;

  // Each false when the clock refused it.
  virtual bool SetOutputEnabled(bool enabled) = 0;
  virtual bool ToggleLedBlink() = 0;
  virtual bool SetDriveStrength(int index) = 0;
  virtual bool SetConstellations(std::uint8_t mask) = 0;
  virtual bool StoreCorrection(std::int16_t ppb) = 0;
  virtual bool Sleep() = 0;
  virtual bool WriteRegister(std::uint8_t address, std::uint8_t value) = 0;
  virtual bool ProgramPll(const PllDividers& dividers) = 0;
  // Programs the order's frequency; the dividers programmed (the plan made with the NC2_LS the
  // clock held at that moment), nullopt when the clock refused them.
  virtual std::optional<PllDividers> SetFrequency(const FrequencyOrder& order) = 0;
  // Writes a checked serial number; the clock leaves and comes back under it.
  virtual bool WriteSerialNumber(const std::string& serial) = 0;
  virtual FactoryDefaultsOutcome FactoryDefaults(const DeviceConfiguration& stored,
                                                 const std::string& serial_for_unset) = 0;

  // The end of the work: directly, the status messages off (unless the clock sleeps) and the
  // clock closed; through the service only this client's subscription ends.
  virtual void Disconnect(bool asleep) = 0;

  // The window's way in, step by step as a session's: the link flags its guards read, the list
  // and its re-selection, the readback split around the showing of what it found, a tick that
  // never waits, and the end. The names and meanings are ClockSession's.
  virtual TraceLog& trace() = 0;
  virtual bool DeviceDetected() const = 0;
  virtual bool ConfigLoaded() const = 0;
  virtual bool DeviceListReady() const = 0;
  virtual bool GuardsHold(unsigned guards) const = 0;
  virtual bool ReportLengthUsable() const = 0;
  virtual int FeatureReportByteLength() const = 0;
  virtual bool AcceptsCommands() const = 0;
  virtual void Rescan(const std::function<void(const std::vector<AttachedClock>&)>& show) = 0;
  virtual ClockSession::OpenResult Open(const std::string& serial, bool or_another) = 0;
  virtual ClockSession::Reselection Reselect(const std::string& serial) = 0;
  virtual std::optional<ClockSession::StoredState> ReadStoredState() = 0;
  virtual void StartStatusMessages() = 0;
  virtual void StopStatusMessages() = 0;
  // One tick with whatever arrived since the last, never waiting for more.
  virtual PollResult Poll(const PollListener& listener) = 0;
  virtual void Close() = 0;
};

}  // namespace orvane
