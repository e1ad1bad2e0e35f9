#include "daemon/clock_daemon.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "service/path_component.h"

namespace orvane {

ClockDaemon::ClockDaemon(HidBackend& backend, TraceLog& trace, MonotonicClock& clock,
                         JournalLog& log, DaemonSettings settings)
    : backend_(backend),
      trace_(trace),
      clock_(clock),
      log_(log),
      settings_(std::move(settings)),
      scout_(backend, trace, clock),
      alarms_(clock, log, settings_.alarm_accuracy_ppb, settings_.alarm_exec) {}

ClockDaemon::~ClockDaemon() = default;

std::chrono::nanoseconds ClockDaemon::RunOnce() {
  if (clock_.Now() >= next_rescan_) {
    Rescan();
    next_rescan_ = clock_.Now() + kRescanInterval;
  }
  std::chrono::nanoseconds next = next_rescan_;
  for (auto& entry : clocks_) {
    const std::string& serial = entry.first;
    ServedClock& clock = *entry.second.clock;
    if (!clock.connected()) continue;
    const bool due = clock.next_tick() <= clock_.Now();
    const bool lost = due && !clock.Tick();
    if (lost) Log(LogPriority::kWarning, serial, "lost; looking for it again");
    alarms_.Check(clock);
    if (due) PublishReading(clock);
    if (lost) continue;
    next = std::min(next, clock.next_tick());
  }
  return std::min(next, alarms_.Poll());
}

void ClockDaemon::Rescan() {
  std::set<std::string> listed;
  std::set<std::string> twice;
  for (const AttachedClock& attached : scout_.ListClocks()) {
    if (!listed.insert(attached.serial).second) twice.insert(attached.serial);
  }
  std::erase_if(duplicates_, [&](const std::string& serial) { return !twice.contains(serial); });
  for (const std::string& serial : twice) {
    if (duplicates_.insert(serial).second) {
      Log(LogPriority::kWarning, serial,
          "two clocks have this serial; only one is served (give one of them another serial)");
    }
  }
  for (auto& [serial, served] : clocks_) {
    if (served.listed && !served.clock->connected() && !listed.contains(serial)) Forget(served);
  }
  std::erase_if(refused_, [&](const std::string& serial) { return !listed.contains(serial); });
  // In serial order, so that the clocks present at start get their ports in that order.
  for (const std::string& serial : listed) {
    Served& served = clocks_[serial];
    served.listed = true;
    if (!served.clock) {
      served.clock = std::make_unique<ServedClock>(backend_, trace_, clock_, log_, serial);
    }
    if (served.clock->connected()) {
      // A port that was taken when the clock came is tried again at each rescan.
      if (settings_.ubx_listen && served.clock->serving() && !served.clock->share()) {
        if (auto share = StartShare(served)) {
          served.clock->Share(std::move(share));
          WriteShareMap();
        }
      }
      continue;
    }
    std::string denied_path;
    if (served.clock->Connect(&denied_path)) {
      refused_.erase(serial);
      Log(LogPriority::kNotice, serial,
          "serving the clock at " + served.clock->session().link().DevicePathName);
      // A re-found clock keeps its share's clients and its chrony socket.
      if (!served.clock->serving()) StartServing(served);
      PublishReading(*served.clock);
    } else if (!denied_path.empty() && refused_.insert(serial).second) {
      Log(LogPriority::kErr, serial,
          "cannot open " + denied_path +
              ": permission denied; the udev rule gives group orvane access to a clock plugged "
              "in after it was installed (replug the clock or run `udevadm trigger`)");
    }
  }
}

void ClockDaemon::StartServing(Served& served) {
  const std::string& serial = served.clock->serial();
  ClockOutputs outputs;
  if (settings_.log) outputs.log = std::make_unique<ClockLog>(*settings_.log, serial, log_);
  if (settings_.ubx_listen) outputs.share = StartShare(served);
  outputs.sample_sink = settings_.sample_sink;
  if (!settings_.sample_sink && !settings_.chrony_socket.empty()) {
    const std::string path = ChronySocketPath(settings_.chrony_socket, serial);
    if (fed_paths_.insert(path).second) {
      outputs.chrony = std::make_unique<ChronySocket>(path, [this] { return clock_.Now(); });
    } else {
      Log(LogPriority::kWarning, serial,
          "not fed to chronyd: another clock feeds " + path + "; put %s in --chrony-sock");
    }
  }
  const bool shared = outputs.share != nullptr;
  served.clock->Serve(std::move(outputs));
  if (shared) WriteShareMap();
}

std::unique_ptr<UbxShare> ClockDaemon::StartShare(Served& served) {
  const std::string& serial = served.clock->serial();
  if (!served.port_offset) {
    std::uint16_t offset = 0;
    while (std::any_of(clocks_.begin(), clocks_.end(),
                       [&](const auto& entry) { return entry.second.port_offset == offset; })) {
      ++offset;
    }
    served.port_offset = offset;
  }
  ListenAddress address = *settings_.ubx_listen;
  const unsigned port = address.port + unsigned{*served.port_offset};
  if (port > 65535) {
    if (!std::exchange(served.share_failure_logged, true)) {
      Log(LogPriority::kErr, serial, "no port left for its UBX share");
    }
    return nullptr;
  }
  address.port = static_cast<std::uint16_t>(port);
  std::string error;
  auto share = UbxShare::Start(
      address,
      [this, serial](LogPriority priority, std::string_view line) {
        log_.Write(priority, serial + ": UBX share: " + std::string(line));
      },
      &error);
  if (!share) {
    if (!std::exchange(served.share_failure_logged, true)) {
      Log(LogPriority::kErr, serial, "cannot share the UBX stream: " + error + "; trying again");
    }
    return nullptr;
  }
  Log(LogPriority::kNotice, serial, "UBX stream shared on " + share->address().ToString());
  return share;
}

void ClockDaemon::Forget(Served& served) {
  // The clock keeps its share's port, its chrony socket and its counts for when it comes back,
  // so that no other clock ever takes its place on them.
  served.listed = false;
  if (settings_.metrics) settings_.metrics->Remove(served.clock->serial());
  Log(LogPriority::kNotice, served.clock->serial(), "gone");
}

void ClockDaemon::Stop() {
  alarms_.Stop();
  for (auto& [serial, served] : clocks_) served.clock->Stop();
  if (!clocks_.empty()) log_.Write(LogPriority::kInfo, "receiver messages off, clocks closed");
}

std::size_t ClockDaemon::clock_count() const {
  return std::count_if(clocks_.begin(), clocks_.end(),
                       [](const auto& entry) { return entry.second.listed; });
}

std::string ClockDaemon::Status() const {
  std::size_t serving = 0;
  std::size_t feeding = 0;
  for (const auto& [serial, served] : clocks_) {
    if (!served.clock->connected()) continue;
    ++serving;
    const ChronySocket* chrony = served.clock->chrony();
    if (chrony && chrony->state() == ChronySocketState::kOk) ++feeding;
  }
  return "serving " + std::to_string(serving) + " clock(s), " + std::to_string(feeding) +
         " feeding chronyd";
}

void ClockDaemon::WriteShareMap() const {
  if (settings_.share_map_path.empty()) return;
  // Readers never see a half-written map.
  const std::string partial = settings_.share_map_path + ".new";
  {
    std::ofstream out(partial, std::ios::trunc);
    for (const auto& [serial, served] : clocks_) {
      if (served.clock->share()) {
        out << PathComponentOf(serial) << ' ' << served.clock->share()->address().ToString()
            << '\n';
      }
    }
  }
  std::rename(partial.c_str(), settings_.share_map_path.c_str());
}

void ClockDaemon::PublishReading(const ServedClock& clock) {
  if (!settings_.metrics) return;
  ClockReading reading = ReadClock(clock, clock_.Now());
  reading.chrony_samples = clock.chrony_samples();
  reading.reconnects = clock.reconnects();
  reading.alarms = alarms_.counts(clock.serial());
  settings_.metrics->Publish(std::move(reading));
}

void ClockDaemon::Log(LogPriority priority, const std::string& serial, const std::string& message) {
  log_.Write(priority, serial + ": " + message);
}

}  // namespace orvane
