#include "daemon/clock_daemon.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

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
    auto& served = entry.second;  // named, not bound: the lambda below captures it
    ServedClock& clock = *served.clock;
    if (!clock.connected()) continue;
    ServedClock::TickListener listener;
    listener.sample = [&](const SockSample& sample) { Feed(served, sample); };
    listener.gate_change = [&](bool held, const std::string& line) {
      Log(held ? LogPriority::kWarning : LogPriority::kNotice, serial, line);
    };
    if (served.log) {
      listener.message = [&](const UbxMessage& message) {
        served.log->Take(message, clock.session().telemetry().status());
      };
    }
    const bool due = clock.next_tick() <= clock_.Now();
    const bool lost = due && !clock.Tick(listener);
    if (lost) Log(LogPriority::kWarning, serial, "lost; looking for it again");
    alarms_.Check(clock);
    if (due) PublishReading(served);
    if (lost) continue;
    next = std::min(next, clock.next_tick());
  }
  return std::min(next, alarms_.Poll());
}

void ClockDaemon::Rescan() {
  std::set<std::string> listed;
  for (const AttachedClock& attached : scout_.ListClocks()) listed.insert(attached.serial);
  std::vector<std::string> gone;
  for (const auto& [serial, served] : clocks_) {
    if (!served.clock->connected() && !listed.contains(serial)) gone.push_back(serial);
  }
  for (const std::string& serial : gone) Forget(serial);
  std::erase_if(refused_, [&](const std::string& serial) { return !listed.contains(serial); });
  // In serial order, so that the clocks present at start get their ports in that order.
  for (const std::string& serial : listed) {
    Served& served = clocks_[serial];
    if (!served.clock) {
      served.clock =
          std::make_unique<ServedClock>(backend_, trace_, clock_, serial, settings_.sample_gate);
    }
    if (served.clock->connected()) continue;
    std::string denied_path;
    if (served.clock->Connect(&denied_path)) {
      refused_.erase(serial);
      Log(LogPriority::kNotice, serial,
          "serving the clock at " + served.clock->session().link().DevicePathName);
      // A re-found clock keeps its share's clients and its chrony socket.
      if (!served.started) StartServing(served);
      PublishReading(served);
    } else if (!denied_path.empty() && refused_.insert(serial).second) {
      Log(LogPriority::kErr, serial,
          "cannot open " + denied_path +
              ": permission denied; the udev rule gives group orvane access to a clock plugged "
              "in after it was installed (replug the clock or run `udevadm trigger`)");
    }
  }
}

void ClockDaemon::StartServing(Served& served) {
  served.started = true;
  const std::string& serial = served.clock->serial();
  if (settings_.log) {
    served.log =
        std::make_unique<ClockLog>(*settings_.log, serial, log_, settings_.sample_gate.not_before);
  }
  if (settings_.ubx_listen) {
    std::uint16_t offset = 0;
    while (std::any_of(clocks_.begin(), clocks_.end(),
                       [&](const auto& entry) { return entry.second.port_offset == offset; })) {
      ++offset;
    }
    ListenAddress address = *settings_.ubx_listen;
    const unsigned port = address.port + unsigned{offset};
    std::string error;
    if (port > 65535) {
      Log(LogPriority::kErr, serial, "no port left for its UBX share");
    } else {
      address.port = static_cast<std::uint16_t>(port);
      auto share = UbxShare::Start(
          address,
          [this, serial](LogPriority priority, std::string_view line) {
            log_.Write(priority, serial + ": UBX share: " + std::string(line));
          },
          &error);
      if (share) {
        Log(LogPriority::kNotice, serial, "UBX stream shared on " + share->address().ToString());
        served.clock->set_share(std::move(share));
        served.port_offset = offset;
        WriteShareMap();
      } else {
        Log(LogPriority::kErr, serial, "cannot share the UBX stream: " + error);
      }
    }
  }
  if (settings_.sample_sink || settings_.chrony_socket.empty()) return;
  const std::string path = ChronySocketPath(settings_.chrony_socket, serial);
  if (!fed_paths_.insert(path).second) {
    Log(LogPriority::kWarning, serial,
        "not fed to chronyd: another clock feeds " + path + "; put %s in --chrony-sock");
    return;
  }
  served.chrony = std::make_unique<ChronySocket>(path, [this] { return clock_.Now(); });
}

void ClockDaemon::Forget(const std::string& serial) {
  Served& served = clocks_.at(serial);
  if (served.chrony) fed_paths_.erase(served.chrony->path());
  const bool shared = served.clock->share() != nullptr;
  clocks_.erase(serial);
  if (shared) WriteShareMap();
  if (settings_.metrics) settings_.metrics->Remove(serial);
  Log(LogPriority::kNotice, serial, "gone");
}

void ClockDaemon::Feed(Served& served, const SockSample& sample) {
  const std::string& serial = served.clock->serial();
  if (settings_.sample_sink) {
    settings_.sample_sink(serial, sample);
  } else if (served.chrony) {
    if (const std::optional<std::string> change = served.chrony->Send(sample)) {
      const bool ok = served.chrony->state() == ChronySocketState::kOk;
      Log(ok ? LogPriority::kNotice : LogPriority::kWarning, serial, *change);
    }
    if (served.chrony->state() == ChronySocketState::kOk) ++served.chrony_samples;
  }
}

void ClockDaemon::Stop() {
  alarms_.Stop();
  for (auto& [serial, served] : clocks_) served.clock->Stop();
  if (!clocks_.empty()) log_.Write(LogPriority::kInfo, "receiver messages off, clocks closed");
}

std::string ClockDaemon::Status() const {
  std::size_t serving = 0;
  std::size_t feeding = 0;
  for (const auto& [serial, served] : clocks_) {
    if (!served.clock->connected()) continue;
    ++serving;
    if (served.chrony && served.chrony->state() == ChronySocketState::kOk) ++feeding;
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
        out << serial << ' ' << served.clock->share()->address().ToString() << '\n';
      }
    }
  }
  std::rename(partial.c_str(), settings_.share_map_path.c_str());
}

void ClockDaemon::PublishReading(const Served& served) {
  if (!settings_.metrics) return;
  ClockReading reading = ReadClock(*served.clock, clock_.RealtimeAt(clock_.Now()));
  reading.chrony_samples = served.chrony_samples;
  reading.samples_held = served.clock->sample_gate().held();
  if (reading.up) {
    reading.holdover_seconds =
        std::chrono::duration<double>(served.clock->holdover().Duration(clock_.Now())).count();
  }
  reading.alarms = alarms_.counts(served.clock->serial());
  // Every time the clock came back, whether its link failed or it was unplugged.
  if (const auto back = reading.alarms.find("device_back"); back != reading.alarms.end()) {
    reading.reconnects = back->second;
  }
  settings_.metrics->Publish(std::move(reading));
}

void ClockDaemon::Log(LogPriority priority, const std::string& serial, const std::string& message) {
  log_.Write(priority, serial + ": " + message);
}

}  // namespace orvane
