#pragma once

#include "access/clock_access.h"

namespace orvane {

// The clock opened by this process through its own session, as every front end did before the
// service: the session's per-clock lock keeps another direct owner out.
class DirectAccess : public ClockAccess {
 public:
  explicit DirectAccess(ClockSession& session) : session_(session) {}

  MonotonicClock& clock() override { return session_.clock(); }
  std::vector<AttachedClock> ListClocks() override { return session_.ListClocks(); }
  std::vector<ListedClock> CheckClocks() override;
  AccessConnection Connect(const std::string& serial) override;
  const std::string& serial() const override { return session_.link().serial(); }
  const std::string& path() const override { return session_.link().DevicePathName(); }
  const Telemetry& telemetry() const override { return session_.telemetry(); }
  PollResult Tick(const PollListener& listener) override;

  std::optional<DeviceConfiguration> FetchConfiguration() override {
    return session_.FetchConfiguration();
  }
  std::optional<DeviceConfiguration> Readback() override { return session_.Readback(); }

  bool SetOutputEnabled(bool enabled) override { return session_.SetOutputEnabled(enabled); }
  bool ToggleLedBlink() override { return session_.ToggleLedBlink(); }
  bool SetDriveStrength(int index) override { return session_.SetDriveStrength(index); }
  bool SetConstellations(std::uint8_t mask) override { return session_.SetConstellations(mask); }
  bool StoreCorrection(std::int16_t ppb) override { return session_.StoreCorrection(ppb); }
  bool Sleep() override { return session_.Sleep(); }
  bool WriteRegister(std::uint8_t address, std::uint8_t value) override {
    return session_.WriteRegister(address, value);
  }
  bool ProgramPll(const PllDividers& dividers) override { return session_.ProgramPll(dividers); }
  std::optional<PllDividers> SetFrequency(const FrequencyOrder& order) override;
  bool WriteSerialNumber(const std::string& serial) override {
    return session_.WriteSerialNumber(serial).sent;
  }
  FactoryDefaultsOutcome FactoryDefaults(const DeviceConfiguration& stored,
                                         const std::string& serial_for_unset) override;
  void Disconnect(bool asleep) override;

  TraceLog& trace() override { return session_.trace(); }
  bool DeviceDetected() const override { return session_.link().DeviceDetected(); }
  bool ConfigLoaded() const override { return session_.link().ConfigLoaded(); }
  bool DeviceListReady() const override { return session_.link().DeviceListReady(); }
  bool GuardsHold(unsigned guards) const override { return session_.link().GuardsHold(guards); }
  bool ReportLengthUsable() const override { return session_.link().ReportLengthUsable(); }
  int FeatureReportByteLength() const override { return session_.link().FeatureReportByteLength(); }
  bool AcceptsCommands() const override { return session_.AcceptsCommands(); }
  void Rescan(const std::function<void(const std::vector<AttachedClock>&)>& show) override {
    session_.Rescan(show);
  }
  ClockSession::OpenResult Open(const std::string& serial, bool or_another) override {
    return session_.Open(serial, or_another);
  }
  ClockSession::Reselection Reselect(const std::string& serial) override {
    return session_.Reselect(serial);
  }
  std::optional<ClockSession::StoredState> ReadStoredState() override {
    return session_.ReadStoredState();
  }
  void StartStatusMessages() override { session_.StartStatusMessages(); }
  void StopStatusMessages() override { session_.StopStatusMessages(); }
  PollResult Poll(const PollListener& listener) override { return session_.Poll(listener); }
  void Close() override { session_.Close(); }

 private:
  ClockSession& session_;
};

}  // namespace orvane
