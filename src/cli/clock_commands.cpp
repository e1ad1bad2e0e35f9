#include "cli/clock_commands.h"

#include <fstream>
#include <iomanip>

#include "cli/connected_clock.h"
#include "cli/divider_output.h"
#include "cli/exit_codes.h"
#include "cli/live_status_output.h"
#include "cli/text_layout.h"
#include "control/constellation_names.h"
#include "control/drive_strengths.h"
#include "control/json_writer.h"

namespace orvane {
namespace {

std::string OrDash(const std::optional<std::string>& text) { return text ? *text : "-"; }

void WriteOptionalString(JsonWriter& json, const char* key,
                         const std::optional<std::string>& text) {
  json.Key(key);
  if (text) {
    json.String(*text);
  } else {
    json.Null();
  }
}

std::string DriveText(std::uint8_t index) {
  if (index < std::size(kDriveMilliamps)) return std::to_string(kDriveMilliamps[index]) + " mA";
  return "index " + std::to_string(index);
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "none" : text;
}

void PrintShow(std::ostream& out, const ClockAccess& access, const ClockIdentity& identity,
               const DeviceConfiguration& config, const LiveStatus& status) {
  LabelledLine(out, "Serial", access.serial());
  LabelledLine(out, "Path", access.path());
  LabelledLine(out, "Manufacturer", OrDash(identity.manufacturer));
  LabelledLine(out, "Product", OrDash(identity.product));
  LabelledLine(out, "Version", ReleaseText(identity.release));
  LabelledLine(
      out, "Output 1",
      std::string(config.output_flags & 1 ? "on" : "off") + ", " + DriveText(config.drive_index));
  LabelledLine(out, "Dividers", DividersText(config.dividers));
  LabelledLine(out, "Frequency", FrequenciesText(FrequencyValuesOf(config.dividers)));
  LabelledLine(out, "Correction", std::to_string(config.tcxo_correction) + " ppb");
  LabelledLine(out, "Constellations", JoinNames(ConstellationNamesOf(config.ConstellationMask)));
  LabelledLine(out, "PLL", status.pll_locked ? "locked" : "not locked (LOL)");
  LabelledLine(out, "GNSS signal", status.gnss_signal ? "yes" : "no (LOS)");
  LabelledLine(out, "Holdover", status.holdover ? "yes (PLL locked without GNSS signal)" : "no");
  LabelledLine(out, "Signal losses", std::to_string(status.signal_loss_count));
  LabelledLine(out, "Satellites", SatellitesText(status));
  LabelledLine(out, "Offset", OffsetText(status));
  LabelledLine(out, "Accuracy", AccuracyText(status));
  LabelledLine(out, "UTC", OrDash(status.utc));
  LabelledLine(out, "PLL reference", PllReferenceText(status));
}

void WriteShow(JsonWriter& json, const ClockAccess& access, const ClockIdentity& identity,
               const DeviceConfiguration& config, const LiveStatus& status) {
  json.BeginObject();
  json.Key("serial").String(access.serial());
  json.Key("path").String(access.path());
  WriteOptionalString(json, "manufacturer", identity.manufacturer);
  WriteOptionalString(json, "product", identity.product);
  json.Key("version").String(ReleaseText(identity.release));
  json.Key("configuration").BeginObject();
  json.Key("output_enabled").Bool(config.output_flags & 1);
  json.Key("drive_ma");
  if (config.drive_index < std::size(kDriveMilliamps)) {
    json.Integer(kDriveMilliamps[config.drive_index]);
  } else {
    json.Null();
  }
  json.Key("dividers");
  WriteDividers(json, config.dividers);
  WriteFrequencyFields(json, FrequencyValuesOf(config.dividers));
  json.Key("correction_ppb").Integer(config.tcxo_correction);
  json.Key("constellations").BeginArray();
  for (const std::string& name : ConstellationNamesOf(config.ConstellationMask)) json.String(name);
  json.EndArray();
  json.EndObject();
  json.Key("status").BeginObject();
  WriteLiveStatusFields(status, json);
  json.EndObject();
  json.EndObject();
}

}  // namespace

void RunList(CommandContext& context) {
  const std::vector<ListedClock> listed = context.access.CheckClocks();
  if (listed.empty()) throw CommandError(ExitCode::kNoClock, "no clock is attached");
  std::vector<AttachedClock> clocks;
  std::vector<std::string> problems;
  for (const ListedClock& clock : listed) {
    clocks.push_back(clock.clock);
    problems.push_back(clock.problem);
  }
  // Only while orvaned shares the streams; without it there is no file.
  std::ifstream share_file(context.share_map);
  const std::map<std::string, std::string> shares = ReadShareMap(share_file);
  const auto share_of = [&shares](const std::string& serial) -> std::optional<std::string> {
    const auto found = shares.find(serial);
    if (found == shares.end()) return std::nullopt;
    return found->second;
  };
  if (context.json) {
    JsonWriter json(context.out);
    json.BeginObject().Key("clocks").BeginArray();
    for (std::size_t i = 0; i < clocks.size(); ++i) {
      json.BeginObject();
      json.Key("serial").String(clocks[i].serial);
      json.Key("path").String(clocks[i].path);
      json.Key("manufacturer").String(clocks[i].manufacturer);
      json.Key("product").String(clocks[i].product);
      json.Key("version").String(ReleaseText(clocks[i].release));
      json.Key("usable").Bool(problems[i].empty());
      json.Key("problem");
      if (problems[i].empty()) {
        json.Null();
      } else {
        json.String(problems[i]);
      }
      WriteOptionalString(json, "ubx_share", share_of(clocks[i].serial));
      json.EndObject();
    }
    json.EndArray().EndObject();
    context.out << '\n';
    return;
  }
  std::size_t path_width = 4;
  for (const AttachedClock& clock : clocks) path_width = std::max(path_width, clock.path.size());
  std::ostream& out = context.out;
  out << std::left << std::setw(8) << "SERIAL" << std::setw(static_cast<int>(path_width) + 2)
      << "PATH" << std::setw(24) << "PRODUCT" << std::setw(9) << "VERSION"
      << (shares.empty() ? "" : "UBX SHARE        ") << "STATE\n";
  for (std::size_t i = 0; i < clocks.size(); ++i) {
    out << std::setw(8) << clocks[i].serial << std::setw(static_cast<int>(path_width) + 2)
        << clocks[i].path << std::setw(24) << clocks[i].product << std::setw(9)
        << ReleaseText(clocks[i].release);
    if (!shares.empty()) out << std::setw(17) << share_of(clocks[i].serial).value_or("-");
    out << (problems[i].empty() ? "usable" : problems[i]) << '\n';
  }
}

void RunShow(CommandContext& context, double wait_s) {
  const std::chrono::nanoseconds wait = SecondsOption("--wait", wait_s);
  ConnectedClock clock(context.access, context.serial);
  clock.Tick();
  const Telemetry& telemetry = context.access.telemetry();
  clock.TickUntil(wait, [&] { return telemetry.nav_clock() && telemetry.sv_info(); });
  const LiveStatus status = LiveStatusOf(telemetry, clock.configuration().dividers);
  if (context.json) {
    JsonWriter json(context.out);
    WriteShow(json, context.access, clock.identity(), clock.configuration(), status);
    context.out << '\n';
  } else {
    PrintShow(context.out, context.access, clock.identity(), clock.configuration(), status);
  }
}

}  // namespace orvane
