#include "daemon/control_operations.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <sstream>

#include "control/constellation_names.h"
#include "control/control_values.h"
#include "control/drive_strengths.h"
#include "control/json_writer.h"
#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "engine/input_checks.h"
#include "engine/number_text.h"

namespace orvane {
namespace {

// A change ready to send: what it does to the session, and how the journal says it.
struct Change {
  std::function<bool(ClockSession&)> send;
  std::string done;  // after "uid N ", e.g. "set G60031's drive to 8 mA"
  bool puts_to_sleep = false;
};

struct Checked {
  std::optional<Change> change;
  std::string refusal;  // why the arguments are not accepted
};

Checked Refused(std::string why) { return {std::nullopt, std::move(why)}; }

std::optional<std::uint8_t> Byte(std::optional<std::int64_t> value) {
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

Checked CheckProgram(const ControlRequest& request, const std::string& serial) {
  PllDividers dividers;
  struct Field {
    const char* name;
    std::uint32_t PllDividers::*value;
  };
  static constexpr Field kFields[] = {
      {"gps", &PllDividers::gps},      {"n31", &PllDividers::n31},
      {"n2hs", &PllDividers::n2_hs},   {"n2ls", &PllDividers::n2_ls},
      {"n1hs", &PllDividers::n1_hs},   {"nc1ls", &PllDividers::nc1_ls},
      {"nc2ls", &PllDividers::nc2_ls},
  };
  for (const Field& field : kFields) {
    const std::int64_t value = *request.Integer(field.name);
    if (value < 0 || value > UINT32_MAX) return Refused(std::string(field.name) + " out of range");
    dividers.*field.value = static_cast<std::uint32_t>(value);
  }
  const auto bw = request.Integer("bw") ? Byte(request.Integer("bw")) : std::uint8_t{15};
  if (!bw) return Refused("bw must be a whole number from 0 to 255");
  dividers.bw = *bw;
  PllDividers checked = dividers;
  CheckDividers(checked);
  for (const Field& field : kFields) {
    if (dividers.*field.value != checked.*field.value) {
      return Refused(std::string(field.name) + " " + std::to_string(dividers.*field.value) +
                     " is not accepted: the nearest value the PLL accepts is " +
                     std::to_string(checked.*field.value));
    }
  }
  const double output_hz = FrequencyValuesOf(dividers).output_hz;
  return {Change{[dividers](ClockSession& session) { return session.ProgramPll(dividers); },
                 "programmed " + serial + " to " + FormatGeneral(output_hz) + " Hz"},
          ""};
}

Checked Check(const ControlRequest& request, const std::string& serial) {
  const std::string_view name = request.operation->name;
  if (name == "output") {
    const bool on = *request.Bool("on");
    return {Change{[on](ClockSession& session) { return session.SetOutputEnabled(on); },
                   "switched " + serial + "'s output " + (on ? "on" : "off")},
            ""};
  }
  if (name == "drive") {
    const std::int64_t ma = *request.Integer("ma");
    const auto found = std::find(std::begin(kDriveMilliamps), std::end(kDriveMilliamps), ma);
    if (found == std::end(kDriveMilliamps)) return Refused("ma must be 8, 16, 24 or 32");
    const int index = static_cast<int>(found - std::begin(kDriveMilliamps));
    return {Change{[index](ClockSession& session) { return session.SetDriveStrength(index); },
                   "set " + serial + "'s drive to " + std::to_string(ma) + " mA"},
            ""};
  }
  if (name == "blink") {
    return {Change{[](ClockSession& session) { return session.ToggleLedBlink(); },
                   "toggled " + serial + "'s LED blinking"},
            ""};
  }
  if (name == "constellations") {
    std::string list;
    const std::vector<std::string> names = *request.StringList("names");
    for (const std::string& item : names) {
      list += (list.empty() ? "" : ",") + item;
    }
    std::string unknown;
    const auto mask = ConstellationMaskFromList(list.empty() ? "none" : list, &unknown);
    if (!mask) return Refused("no constellation \"" + unknown + "\"");
    return {Change{[mask](ClockSession& session) { return session.SetConstellations(*mask); },
                   "set " + serial + "'s constellations to " + (list.empty() ? "none" : list)},
            ""};
  }
  if (name == "register") {
    const auto address = Byte(request.Integer("reg"));
    const auto value = Byte(request.Integer("data"));
    if (!address || !value) return Refused("reg and data must be whole numbers from 0 to 255");
    return {Change{[=](ClockSession& session) { return session.WriteRegister(*address, *value); },
                   "wrote " + std::to_string(*value) + " to " + serial + "'s register " +
                       std::to_string(*address)},
            ""};
  }
  if (name == "correction") {
    if (!request.Number("ppb")) return Refused("correction needs \"ppb\" through the service");
    const Correction correction = CorrectionFromPpb(*request.Number("ppb"));
    return {
        Change{
            [correction](ClockSession& session) { return session.StoreCorrection(correction.ppb); },
            "stored " + std::to_string(correction.ppb) + " ppb as " + serial + "'s correction"},
        ""};
  }
  if (name == "sleep") {
    return {Change{[](ClockSession& session) { return session.Sleep(); },
                   "put " + serial + " to sleep", true},
            ""};
  }
  if (name == "program") return CheckProgram(request, serial);
  return Refused("the service does not answer " + std::string(name) + " yet");
}

}  // namespace

bool IsServedChange(const OperationSpec& operation) {
  for (const std::string_view name : {"output", "drive", "blink", "constellations", "register",
                                      "correction", "sleep", "program"}) {
    if (operation.name == name) return true;
  }
  return false;
}

std::string RunClockChange(ServedClock& clock, const ControlRequest& request,
                           const ControlPeer& peer, JournalLog& log) {
  const Checked checked = Check(request, clock.serial());
  if (!checked.change) {
    return ControlErrorLine(request.id,
                            {std::string(control_error::kBadArgument), checked.refusal});
  }
  if (!clock.connected()) {
    return ControlErrorLine(request.id, {"no-clock", clock.serial() + " is not connected"});
  }
  const bool sent = checked.change->send(clock.session());
  if (!sent) {
    return ControlErrorLine(
        request.id,
        {"failed", "the clock refused the " + std::string(request.operation->name) + " command"});
  }
  log.Write(LogPriority::kNotice, "uid " + std::to_string(peer.uid) + " " + checked.change->done);
  std::optional<DeviceConfiguration> configuration;
  if (!checked.change->puts_to_sleep) {
    configuration = clock.session().FetchConfiguration();
    if (configuration) clock.Reconfigured(*configuration);
  }
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  if (request.id) json.Key("id").Integer(*request.id);
  json.Key("ok").Bool(true).Key("serial").String(clock.serial());
  if (configuration) {
    json.Key("configuration");
    WriteConfiguration(json, *configuration);
  }
  json.EndObject();
  out << '\n';
  return out.str();
}

}  // namespace orvane
