#include "cli/setting_commands.h"

#include <algorithm>
#include <functional>
#include <iterator>

#include "cli/connected_clock.h"
#include "cli/exit_codes.h"
#include "control/constellation_names.h"
#include "control/drive_strengths.h"
#include "control/json_writer.h"
#include "engine/input_checks.h"

namespace orvane {
namespace {

// What a finished setting reports: a line for people, its own fields for scripts; and, where the
// configuration report holds the setting, whether a readback shows it.
struct Done {
  std::string text;
  std::function<void(JsonWriter&)> fields;
  std::function<bool(const DeviceConfiguration&)> holds{};
};

void Report(CommandContext& context, const char* command, const std::string& serial,
            const Done& done) {
  if (!context.json) {
    context.out << done.text << '\n';
    return;
  }
  JsonWriter json(context.out);
  json.BeginObject();
  json.Key("command").String(command);
  json.Key("serial").String(serial);
  if (done.fields) done.fields(json);
  json.EndObject();
  context.out << '\n';
}

// Connects, sends with `send` and reports `done`.
void RunSetting(CommandContext& context, const char* command,
                const std::function<bool(ClockAccess&)>& send, const Done& done,
                bool puts_to_sleep = false) {
  ConnectedClock clock(context.access, context.serial);
  const std::string serial = context.access.serial();
  const bool sent = send(context.access);
  if (puts_to_sleep) clock.Slept();
  if (!sent) {
    throw CommandError(ExitCode::kDeviceFailed,
                       std::string("the clock refused the ") + command + " command");
  }
  if (done.holds) {
    const std::optional<DeviceConfiguration> readback = context.access.FetchConfiguration();
    if (!readback || !done.holds(*readback)) {
      throw CommandError(ExitCode::kDeviceFailed,
                         std::string("the clock did not hold the ") + command + " setting");
    }
  }
  Report(context, command, serial, done);
}

std::uint8_t CheckedByte(const char* name, const std::string& text) {
  const std::optional<std::uint8_t> value = WholeByte(text);
  if (!value) {
    throw CommandError(ExitCode::kBadInput, std::string(name) + " \"" + text +
                                                "\" is not accepted: REG and DATA must be whole "
                                                "numbers from 0 to 255");
  }
  return *value;
}

}  // namespace

void RunOutput(CommandContext& context, bool enabled) {
  RunSetting(context, "output",
             [&](ClockAccess& access) { return access.SetOutputEnabled(enabled); },
             {std::string("Output 1 ") + (enabled ? "on" : "off"),
              [&](JsonWriter& json) { json.Key("output_enabled").Bool(enabled); },
              [&](const DeviceConfiguration& held) { return (held.output_flags & 1) == enabled; }});
}

void RunDrive(CommandContext& context, int milliamps) {
  const auto* found = std::find(std::begin(kDriveMilliamps), std::end(kDriveMilliamps), milliamps);
  if (found == std::end(kDriveMilliamps)) {
    throw CommandError(ExitCode::kBadInput, "drive " + std::to_string(milliamps) +
                                                " is not accepted: choose 8, 16, 24 or 32 (mA)");
  }
  const int index = static_cast<int>(found - std::begin(kDriveMilliamps));
  RunSetting(context, "drive", [&](ClockAccess& access) { return access.SetDriveStrength(index); },
             {"Drive strength " + std::to_string(milliamps) + " mA",
              [&](JsonWriter& json) { json.Key("drive_ma").Integer(milliamps); },
              [&](const DeviceConfiguration& held) { return held.drive_index == index; }});
}

void RunBlink(CommandContext& context) {
  // A fresh connection starts with the blinking off, so the toggle starts it, as the window's
  // first press does.
  RunSetting(context, "blink", [](ClockAccess& access) { return access.ToggleLedBlink(); },
             {"LED blinking", [](JsonWriter& json) { json.Key("led_blinking").Bool(true); }});
}

void RunConstellations(CommandContext& context, const std::string& list) {
  std::string unknown;
  const std::optional<std::uint8_t> mask = ConstellationMaskFromList(list, &unknown);
  if (!mask) {
    throw CommandError(ExitCode::kBadInput, "constellation \"" + unknown +
                                                "\" is not known: choose from " +
                                                AcceptedConstellationsText());
  }
  const std::vector<std::string> names = ConstellationNamesOf(*mask);
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  RunSetting(context, "constellations",
             [&](ClockAccess& access) { return access.SetConstellations(*mask); },
             {"Constellations " + (text.empty() ? std::string("none") : text),
              [&](JsonWriter& json) {
                json.Key("constellations").BeginArray();
                for (const std::string& name : names) json.String(name);
                json.EndArray();
              },
              [&](const DeviceConfiguration& held) { return held.ConstellationMask == *mask; }});
}

void RunSleep(CommandContext& context) {
  RunSetting(
      context, "sleep", [](ClockAccess& access) { return access.Sleep(); },
      {"Clock asleep", nullptr}, true);
}

void RunRegister(CommandContext& context, const std::string& reg, const std::string& data) {
  const std::uint8_t address = CheckedByte("REG", reg);
  const std::uint8_t value = CheckedByte("DATA", data);
  RunSetting(context, "register",
             [&](ClockAccess& access) { return access.WriteRegister(address, value); },
             {"Register " + std::to_string(address) + " = " + std::to_string(value),
              [&](JsonWriter& json) {
                json.Key("register").Integer(address);
                json.Key("data").Integer(value);
              }});
}

void RunCorrectionSave(CommandContext& context, const std::optional<std::string>& ppb,
                       double wait_s) {
  std::optional<Correction> correction;
  if (ppb) {
    correction = CorrectionFromText(*ppb);
    if (!correction || correction->limited) {
      throw CommandError(ExitCode::kBadInput,
                         "PPB \"" + *ppb +
                             "\" is not accepted: the correction is a number of ppb "
                             "from -" +
                             std::to_string(kLargestCorrection) + " to " +
                             std::to_string(kLargestCorrection));
    }
  }
  const std::chrono::nanoseconds wait = SecondsOption("--wait", wait_s);
  ConnectedClock clock(context.access, context.serial);
  const std::string serial = context.access.serial();
  if (!correction) {
    // The window offers the receiver's estimate only while the clock has a GNSS signal.
    const Telemetry& telemetry = context.access.telemetry();
    const auto estimate_ready = [&] {
      return telemetry.nav_clock() && telemetry.status() && !telemetry.status()->no_gnss_signal;
    };
    if (!clock.TickUntil(wait, estimate_ready)) {
      throw CommandError(ExitCode::kDeviceFailed,
                         "the receiver gave no oscillator estimate with a GNSS signal within " +
                             std::to_string(wait_s) + " s");
    }
    correction = CorrectionFromPpb(telemetry.nav_clock()->value.clk_d);
  }
  if (!context.access.StoreCorrection(correction->ppb)) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock refused the correction");
  }
  const std::optional<DeviceConfiguration> stored = context.access.Readback();
  if (!stored || stored->tcxo_correction != correction->ppb) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock does not hold the correction " +
                                                    std::to_string(correction->ppb) +
                                                    " ppb after storing it");
  }
  const std::int16_t value = correction->ppb;
  Report(context, "correction", serial,
         {"Stored correction " + std::to_string(value) + " ppb" +
              (correction->limited ? " (the estimate, limited)" : ""),
          [&](JsonWriter& json) {
            json.Key("correction_ppb").Integer(value);
            json.Key("limited").Bool(correction->limited);
          }});
}

void RunSerial(CommandContext& context, const std::string& serial, double wait_s) {
  if (!IsSerialNumber(serial)) {
    throw CommandError(ExitCode::kBadInput,
                       "serial number \"" + serial +
                           "\" is not accepted: one letter and five digits, for example G60031");
  }
  const std::chrono::nanoseconds wait = SecondsOption("--wait", wait_s);
  ConnectedClock clock(context.access, context.serial);
  const std::string old_serial = context.access.serial();
  if (!context.access.WriteSerialNumber(serial)) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock refused the serial number");
  }
  // The clock leaves the bus and comes back under its new number.
  MonotonicClock& time = context.access.clock();
  const std::chrono::nanoseconds start = time.Now();
  const auto back = [&] {
    const std::vector<AttachedClock> clocks = context.access.ListClocks();
    return std::any_of(clocks.begin(), clocks.end(),
                       [&](const AttachedClock& attached) { return attached.serial == serial; });
  };
  while (!back()) {
    if (time.Now() - start >= wait) {
      throw CommandError(ExitCode::kDeviceFailed, "the clock did not come back as " + serial);
    }
    time.SleepFor(ConnectedClock::kPollInterval);
  }
  Report(context, "serial", old_serial,
         {"Serial number " + old_serial + " is now " + serial,
          [&](JsonWriter& json) { json.Key("new_serial").String(serial); }});
}

void RunFactoryDefaults(CommandContext& context, const std::string& serial_for_unset) {
  ConnectedClock clock(context.access, context.serial);
  const std::string serial = context.access.serial();
  const FactoryDefaultsOutcome outcome =
      context.access.FactoryDefaults(clock.configuration(), serial_for_unset);
  if (outcome.new_serial) {
    Report(context, "factory-defaults", serial,
           {"Serial number set to " + *outcome.new_serial +
                "; run factory-defaults again for the "
                "rest",
            [&](JsonWriter& json) { json.Key("new_serial").String(*outcome.new_serial); }});
    return;
  }
  const std::optional<DeviceConfiguration>& stored = outcome.configuration;
  constexpr std::uint8_t kDrive32mA = 3;
  if (!stored || stored->drive_index != kDrive32mA || !(stored->output_flags & 1)) {
    throw CommandError(ExitCode::kDeviceFailed, "the clock does not hold the factory defaults");
  }
  Report(context, "factory-defaults", serial,
         {"Factory defaults restored (10 MHz, 32 mA, output on, correction " +
              std::to_string(stored->tcxo_correction) + " ppb)",
          [&](JsonWriter& json) { json.Key("correction_ppb").Integer(stored->tcxo_correction); }});
}

}  // namespace orvane
