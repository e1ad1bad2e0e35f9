#include "daemon/control_operations.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <iterator>
#include <sstream>

#include "control/constellation_names.h"
#include "control/control_values.h"
#include "control/drive_strengths.h"
#include "control/json_writer.h"
#include "engine/divider_fields.h"
#include "engine/frequency_displays.h"
#include "engine/frequency_plan.h"
#include "engine/input_checks.h"
#include "engine/number_text.h"

namespace orvane {
namespace {

// A change ready to send: what it does to the session, how the journal says it, and what the
// reply carries besides the configuration read back after it.
struct Change {
  std::function<bool(ClockSession&)> send;
  std::string done;  // after "uid N ", e.g. "set G60031's drive to 8 mA"
  std::function<void(JsonWriter&)> fields;
};

struct Checked {
  std::optional<Change> change;
  ControlError refusal;  // why the arguments are not accepted
};

Checked Refused(std::string why) {
  return {std::nullopt, {std::string(control_error::kBadArgument), std::move(why)}};
}

Checked Accepted(Change change) { return {std::move(change), {}}; }

Checked Unreadable(const ServedClock& clock) {
  return {std::nullopt, {"failed", clock.serial() + ": the configuration could not be read"}};
}

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
  return Accepted(Change{[dividers](ClockSession& session) { return session.ProgramPll(dividers); },
                         "programmed " + serial + " to " + FormatGeneral(output_hz) + " Hz",
                         nullptr});
}

Checked CheckCorrection(const ControlRequest& request, ServedClock& clock) {
  Correction correction;
  if (const std::optional<double> ppb = request.Number("ppb")) {
    correction = CorrectionFromPpb(*ppb);
    if (correction.limited) {
      return Refused("PPB " + FormatGeneral(*ppb) +
                     " is not accepted: the correction is a number of ppb from -" +
                     std::to_string(kLargestCorrection) + " to " +
                     std::to_string(kLargestCorrection));
    }
  } else {
    // The receiver's estimate counts only while the clock has a GNSS signal, as the window
    // offers it.
    const Telemetry& telemetry = clock.session().telemetry();
    if (!telemetry.nav_clock() || !telemetry.status() || telemetry.status()->no_gnss_signal) {
      return {std::nullopt,
              {"no-estimate", clock.serial() + " has no oscillator estimate with a GNSS signal"}};
    }
    correction = CorrectionFromPpb(telemetry.nav_clock()->value.clk_d);
  }
  return Accepted(Change{
      [correction](ClockSession& session) { return session.StoreCorrection(correction.ppb); },
      "stored " + std::to_string(correction.ppb) + " ppb as " + clock.serial() + "'s correction",
      [correction](JsonWriter& json) {
        json.Key("correction_ppb").Integer(correction.ppb);
        json.Key("limited").Bool(correction.limited);
      }});
}

// Plans from the NC2_LS the clock stores now, as orvanectl set-frequency does.
Checked CheckSetFrequency(const ControlRequest& request, ServedClock& clock) {
  const double hz = *request.Number("hz");
  if (auto refusal = FrequencyRangeRefusal(hz, FormatGeneral(hz))) return Refused(*refusal);
  const std::optional<DividerRequest> divider_request = DividerRequestOf(request);
  if (!divider_request) return Refused("bw must be a whole number from 0 to 255");
  const std::optional<DeviceConfiguration> stored = clock.session().FetchConfiguration();
  if (!stored) return Unreadable(clock);
  DividerRequest chosen = *divider_request;
  chosen.nc2_ls = stored->dividers.nc2_ls;
  const FrequencyPlan plan = PlanFrequency(hz, chosen);
  if (!plan.plan) return Refused(NoSettingText(hz, plan.plan.why_not));
  const PllDividers dividers = *plan.plan.dividers;
  const FrequencyValues values = plan.plan.values;
  return Accepted(
      Change{[dividers](ClockSession& session) { return session.ProgramPll(dividers); },
             "programmed " + clock.serial() + " to " + FormatGeneral(values.output_hz) + " Hz",
             [dividers, values](JsonWriter& json) {
               WriteDividers(json.Key("dividers"), dividers);
               json.Key("output_hz").Number(values.output_hz);
             }});
}

Checked CheckSerial(const ControlRequest& request, const std::string& serial) {
  const std::string new_serial = *request.String("new_serial");
  if (!IsSerialNumber(new_serial)) {
    return Refused("serial number \"" + new_serial +
                   "\" is not accepted: one letter and five digits, for example G60031");
  }
  return Accepted(Change{
      [new_serial](ClockSession& session) { return session.WriteSerialNumber(new_serial).sent; },
      "gave " + serial + " the serial number " + new_serial,
      [new_serial](JsonWriter& json) { json.Key("new_serial").String(new_serial); }});
}

Checked CheckFactoryDefaults(const ControlRequest& request, ServedClock& clock) {
  const std::string for_unset = request.String("serial_for_unset").value_or("G60031");
  if (!IsSerialNumber(for_unset)) {
    return Refused("serial number \"" + for_unset +
                   "\" is not accepted: one letter and five digits, for example G60031");
  }
  const std::optional<DeviceConfiguration> stored = clock.session().FetchConfiguration();
  if (!stored) return Unreadable(clock);
  return Accepted(
      Change{[stored = *stored, for_unset](ClockSession& session) {
               session.FactoryDefaults(stored, for_unset);
               return true;
             },
             "restored " + clock.serial() + "'s factory defaults",
             // A clock whose serial was unset only gets one, and leaves to come back under it.
             [&clock, for_unset](JsonWriter& json) {
               if (!clock.connected()) json.Key("new_serial").String(for_unset);
             }});
}

Checked Check(const ControlRequest& request, ServedClock& clock) {
  const std::string& serial = clock.serial();
  const std::string_view name = request.operation->name;
  if (name == "output") {
    const bool on = *request.Bool("on");
    return Accepted(Change{[on](ClockSession& session) { return session.SetOutputEnabled(on); },
                           "switched " + serial + "'s output " + (on ? "on" : "off"), nullptr});
  }
  if (name == "drive") {
    const std::int64_t ma = *request.Integer("ma");
    const auto found = std::find(std::begin(kDriveMilliamps), std::end(kDriveMilliamps), ma);
    if (found == std::end(kDriveMilliamps)) return Refused("ma must be 8, 16, 24 or 32");
    const int index = static_cast<int>(found - std::begin(kDriveMilliamps));
    return Accepted(
        Change{[index](ClockSession& session) { return session.SetDriveStrength(index); },
               "set " + serial + "'s drive to " + std::to_string(ma) + " mA", nullptr});
  }
  if (name == "blink") {
    return Accepted(Change{[](ClockSession& session) { return session.ToggleLedBlink(); },
                           "toggled " + serial + "'s LED blinking", nullptr});
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
    return Accepted(Change{
        [mask](ClockSession& session) { return session.SetConstellations(*mask); },
        "set " + serial + "'s constellations to " + (list.empty() ? "none" : list), nullptr});
  }
  if (name == "register") {
    const auto address = Byte(request.Integer("reg"));
    const auto value = Byte(request.Integer("data"));
    if (!address || !value) return Refused("reg and data must be whole numbers from 0 to 255");
    return Accepted(
        Change{[=](ClockSession& session) { return session.WriteRegister(*address, *value); },
               "wrote " + std::to_string(*value) + " to " + serial + "'s register " +
                   std::to_string(*address),
               nullptr});
  }
  if (name == "correction") return CheckCorrection(request, clock);
  if (name == "sleep") {
    return Accepted(Change{[](ClockSession& session) { return session.Sleep(); },
                           "put " + serial + " to sleep", nullptr});
  }
  if (name == "program") return CheckProgram(request, serial);
  if (name == "set-frequency") return CheckSetFrequency(request, clock);
  if (name == "serial") return CheckSerial(request, serial);
  if (name == "factory-defaults") return CheckFactoryDefaults(request, clock);
  return Refused("the service does not answer " + std::string(name));
}

}  // namespace

std::optional<DividerRequest> DividerRequestOf(const ControlRequest& request) {
  const auto bw = request.Integer("bw") ? Byte(request.Integer("bw")) : std::uint8_t{15};
  if (!bw) return std::nullopt;
  // A value outside the lists' range, negative or too large for its field, is kept outside it
  // (never wrapped into it), so that the plan refuses it as a choice the lists do not hold.
  const auto within = [](std::int64_t value, std::int64_t largest) {
    return value < 0 || value > largest ? -1 : value;
  };
  DividerRequest divider_request;
  if (const auto vco = request.Integer("vco")) {
    divider_request.vco_index = *vco < 0 ? SIZE_MAX : static_cast<std::size_t>(*vco);
  }
  if (const auto n2hs = request.Integer("n2hs")) {
    divider_request.n2_hs = static_cast<int>(within(*n2hs, INT_MAX));
  }
  if (const auto n2ls = request.Integer("n2ls")) {
    divider_request.n2_ls = static_cast<std::int32_t>(within(*n2ls, INT32_MAX));
  }
  divider_request.first_exact = true;
  divider_request.bw = *bw;
  return divider_request;
}

std::string RunClockChange(ServedClock& clock, const ControlRequest& request,
                           const ControlPeer& peer, JournalLog& log) {
  if (!clock.connected()) {
    return ControlErrorLine(request.id, {"no-clock", clock.serial() + " is not connected"});
  }
  const Checked checked = Check(request, clock);
  if (!checked.change) return ControlErrorLine(request.id, checked.refusal);
  const bool sent = checked.change->send(clock.session());
  if (!sent) {
    return ControlErrorLine(
        request.id,
        {"failed", "the clock refused the " + std::string(request.operation->name) + " command"});
  }
  log.Write(LogPriority::kNotice, "uid " + std::to_string(peer.uid) + " " + checked.change->done);
  // Read back, so that the service's metrics and logs show the change; a clock that left (sleep,
  // a new serial) is read when it comes back.
  std::optional<DeviceConfiguration> configuration;
  if (clock.connected()) {
    configuration = clock.session().FetchConfiguration();
    if (configuration) clock.Reconfigured(*configuration);
  }
  ControlReply reply(request);
  reply.json().Key("serial").String(clock.serial());
  if (checked.change->fields) checked.change->fields(reply.json());
  if (configuration) WriteConfiguration(reply.json().Key("configuration"), *configuration);
  return reply.Line();
}

}  // namespace orvane
