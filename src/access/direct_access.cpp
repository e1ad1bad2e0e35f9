#include "access/direct_access.h"

#include "engine/clock_problem.h"

namespace orvane {

std::vector<ListedClock> DirectAccess::CheckClocks() {
  std::vector<ListedClock> listed;
  for (const AttachedClock& clock : session_.ListClocks()) {
    const ClockSession::OpenResult open = session_.Open(clock.serial);
    listed.push_back({clock, ClockProblemText(open, session_.link().ReportLengthUsable())});
    session_.DropLink();
  }
  return listed;
}

AccessConnection DirectAccess::Connect(const std::string& serial) {
  ClockSession::Connection connection = session_.Connect(serial);
  return {connection.open, session_.link().ReportLengthUsable(), std::move(connection.identity),
          std::move(connection.configuration)};
}

PollResult DirectAccess::Tick(const PollListener& listener) {
  session_.clock().SleepFor(ClockSession::kPollInterval);
  return session_.Poll(listener);
}

std::optional<PllDividers> DirectAccess::SetFrequency(const FrequencyOrder& order) {
  if (!session_.ProgramPll(order.planned)) return std::nullopt;
  return order.planned;
}

FactoryDefaultsOutcome DirectAccess::FactoryDefaults(const DeviceConfiguration& stored,
                                                     const std::string& serial_for_unset) {
  session_.FactoryDefaults(stored, serial_for_unset);
  // An unset serial number only gets a new one, which drops the link.
  if (!session_.link().DeviceDetected()) return {serial_for_unset, std::nullopt};
  return {std::nullopt, session_.FetchConfiguration()};
}

void DirectAccess::Disconnect(bool asleep) {
  if (!asleep) session_.StopStatusMessages();
  session_.Close();
}

}  // namespace orvane
