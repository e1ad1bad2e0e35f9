#include "cli/stream_commands.h"

#include <cmath>
#include <fstream>
#include <iomanip>
#include <vector>

#include "cli/connected_clock.h"
#include "cli/exit_codes.h"
#include "cli/live_status_output.h"
#include "control/json_writer.h"
#include "engine/decimal_text.h"
#include "engine/number_text.h"
#include "protocol/ubx_frame.h"

namespace orvane {
namespace {

double SecondsSince(const MonotonicClock& clock, std::chrono::nanoseconds start) {
  return std::chrono::duration<double>(clock.Now() - start).count();
}

void PrintStatusHeader(std::ostream& out) {
  out << std::right << std::setw(8) << "TIME_S" << std::setw(12) << "PLL" << std::setw(6) << "GNSS"
      << std::setw(7) << "LOSSES" << std::setw(18) << "SATELLITES" << std::setw(12) << "OFFSET"
      << std::setw(14) << "ACCURACY"
      << "  UTC\n";
}

void PrintStatusLine(std::ostream& out, double time_s, const LiveStatus& status) {
  out << std::right << std::setw(8) << FormatThreeDecimals(time_s) << std::setw(12)
      << (status.pll_locked ? "locked" : "not locked") << std::setw(6)
      << (status.gnss_signal ? "yes" : "no") << std::setw(7) << status.signal_loss_count
      << std::setw(18) << SatellitesText(status) << std::setw(12) << OffsetText(status)
      << std::setw(14) << AccuracyText(status) << "  " << status.utc.value_or("-") << '\n';
}

}  // namespace

void RunMonitor(CommandContext& context, double interval_s, long count) {
  const std::chrono::nanoseconds interval = SecondsOption("--interval", interval_s);
  if (interval < ConnectedClock::kPollInterval) {
    throw CommandError(ExitCode::kBadInput, "--interval takes at least 0.05 seconds");
  }
  if (count < 0) throw CommandError(ExitCode::kBadInput, "--count takes 0 (no limit) or more");
  ConnectedClock clock(context.access, context.serial);
  const std::function<bool()> stop_requested = context.watch_stop();
  MonotonicClock& time = context.access.clock();
  const std::chrono::nanoseconds start = time.Now();
  std::chrono::nanoseconds next_line = start;
  if (!context.json) PrintStatusHeader(context.out);
  for (long lines = 0; (count == 0 || lines < count) && !stop_requested();) {
    clock.Tick();
    if (time.Now() < next_line) continue;
    next_line += interval;
    ++lines;
    const LiveStatus status =
        LiveStatusOf(context.access.telemetry(), clock.configuration().dividers);
    const double time_s = SecondsSince(time, start);
    if (context.json) {
      JsonWriter json(context.out);
      json.BeginObject().Key("time_s").Number(std::round(time_s * 1000) / 1000);
      WriteLiveStatusFields(status, json);
      json.EndObject();
      context.out << '\n';
    } else {
      PrintStatusLine(context.out, time_s, status);
    }
    context.out.flush();
  }
}

void RunRecord(CommandContext& context, const std::string& path, double duration_s, bool raw) {
  const std::chrono::nanoseconds duration = SecondsOption("--duration", duration_s);
  // Checked before anything is sent, but emptied only once a clock is found: a capture already
  // there survives a mistyped serial or an unplugged clock.
  std::ofstream file(path, std::ios::binary | std::ios::app);
  if (!file) throw CommandError(ExitCode::kBadInput, "cannot write " + path);
  ConnectedClock clock(context.access, context.serial);
  file.close();
  file.open(path, std::ios::binary | std::ios::trunc);
  if (!file) throw CommandError(ExitCode::kBadInput, "cannot write " + path);
  const std::function<bool()> stop_requested = context.watch_stop();

  std::size_t frames = 0;
  std::size_t bytes = 0;
  std::vector<std::uint8_t> frame;
  PollListener listener;
  if (raw) {
    listener.stream = [&](std::span<const std::uint8_t> stream, const ReceiveTime&) {
      file.write(reinterpret_cast<const char*>(stream.data()),
                 static_cast<std::streamsize>(stream.size()));
      bytes += stream.size();
    };
  }
  listener.message = [&](const UbxMessage& message) {
    ++frames;
    if (raw) return;
    frame.clear();
    AppendUbxFrame(message.msg_class, message.msg_id, message.payload, frame);
    file.write(reinterpret_cast<const char*>(frame.data()),
               static_cast<std::streamsize>(frame.size()));
    bytes += frame.size();
  };
  MonotonicClock& time = context.access.clock();
  const std::chrono::nanoseconds start = time.Now();
  while (!stop_requested() &&
         (duration == std::chrono::nanoseconds(0) || time.Now() - start < duration)) {
    clock.Tick(listener);
  }
  file.close();
  if (!file) throw CommandError(ExitCode::kDeviceFailed, "writing " + path + " failed");
  const double seconds = SecondsSince(time, start);
  if (context.json) {
    JsonWriter json(context.out);
    json.BeginObject();
    json.Key("file").String(path);
    json.Key("raw").Bool(raw);
    json.Key("frames").Integer(static_cast<std::int64_t>(frames));
    json.Key("bytes").Integer(static_cast<std::int64_t>(bytes));
    json.Key("duration_s").Number(std::round(seconds * 1000) / 1000);
    json.EndObject();
    context.out << '\n';
  } else {
    context.out << "Recorded " << frames << " frames (" << bytes << " bytes"
                << (raw ? " as received" : "") << ") to " << path << " in "
                << FormatThreeDecimals(seconds) << " s\n";
  }
}

}  // namespace orvane
