#pragma once

#include <optional>
#include <string>

#include "cli/command_context.h"

namespace orvane {

// The one-report settings and actions, each as the window's control sends it. Input is checked
// before the clock is connected; a report the clock refuses is a CommandError (1).
void RunOutput(CommandContext& context, bool enabled);
void RunDrive(CommandContext& context, int milliamps);  // 8, 16, 24 or 32
void RunBlink(CommandContext& context);
void RunConstellations(CommandContext& context, const std::string& list);
void RunSleep(CommandContext& context);
void RunRegister(CommandContext& context, const std::string& reg, const std::string& data);

// `correction save [PPB]`: stores `ppb`, or without it the receiver's current estimate (waiting up
// to `wait_s` for one while the clock has a GNSS signal), then reads the stored value back.
void RunCorrectionSave(CommandContext& context, const std::optional<std::string>& ppb,
                       double wait_s);

// `serial NEW`: writes the serial number and waits up to `wait_s` for the clock to come back
// under it.
void RunSerial(CommandContext& context, const std::string& serial, double wait_s);

// `factory-defaults`: the window's factory-defaults sequence, report for report; a clock whose
// serial number is unset gets `serial_for_unset`.
void RunFactoryDefaults(CommandContext& context, const std::string& serial_for_unset);

}  // namespace orvane
