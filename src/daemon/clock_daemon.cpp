#include "daemon/clock_daemon.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "engine/clock_problem.h"
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
  for (auto& [serial, served] : clocks_) {
    if (!settings_.threads) next = std::min(next, served.worker->RunDue());
    if (!LookAt(served)) WatchStuck(served);
    // The clocks tick themselves; the loop looks at them at the design's rate.
    if (settings_.threads && served.connected) {
      next = std::min(next, clock_.Now() + ServedClock::kPollInterval);
    }
  }
  if (std::exchange(share_map_changed_, false)) WriteShareMap();
  return std::min(next, alarms_.Poll());
}

void ClockDaemon::Rescan() {
  std::set<std::string> listed;
  std::set<std::string> twice;
  std::map<std::string, AttachedClock> found;
  for (const AttachedClock& attached : scout_.ListClocks()) {
    if (!listed.insert(attached.serial).second) twice.insert(attached.serial);
    found.try_emplace(attached.serial, attached);
  }
  std::erase_if(duplicates_, [&](const std::string& serial) { return !twice.contains(serial); });
  for (const std::string& serial : twice) {
    if (duplicates_.insert(serial).second) {
      Log(LogPriority::kWarning, serial,
          "two clocks have this serial; only one is served (give one of them another serial)");
    }
  }
  for (auto& [serial, served] : clocks_) {
    if (served.listed && !served.connected && !listed.contains(serial)) Forget(served);
  }
  std::erase_if(refused_, [&](const auto& refused) { return !listed.contains(refused.first); });
  // In serial order, so that the clocks present at start get their ports in that order.
  for (const std::string& serial : listed) {
    Served& served = clocks_[serial];
    served.listed = true;
    if (!served.worker) {
      served.worker = std::make_unique<ClockWorker>(
          std::make_unique<ServedClock>(backend_, trace_, clock_, log_, serial,
                                        settings_.sample_gate),
          clock_, settings_.threads, settings_.control ? settings_.control->outbox() : nullptr);
      if (settings_.control) settings_.control->Add(serial, *served.worker);
    }
    served.attached = found[serial];
    if (!served.connected) served.worker->Connect();
    LookAt(served);
  }
}

bool ClockDaemon::LookAt(Served& served) {
  return served.worker->Look(
      [&](ServedClock& clock, const ClockWorker::News& news) { TakeNews(served, clock, news); });
}

void ClockDaemon::TakeNews(Served& served, ServedClock& clock, const ClockWorker::News& news) {
  const std::string& serial = clock.serial();
  if (std::exchange(served.stuck_logged, false)) {
    Log(LogPriority::kNotice, serial, "answering again");
  }
  if (news.connected) {
    refused_.erase(serial);
    Log(LogPriority::kNotice, serial,
        "serving the clock at " + clock.session().link().DevicePathName());
    // A re-found clock keeps its share's clients and its chrony socket.
    if (!clock.serving()) StartServing(served, clock);
  } else if (!news.refused.denied_path.empty() || !news.refused.busy_path.empty()) {
    LogRefusal(serial, news.refused);
  }
  if (news.lost) Log(LogPriority::kWarning, serial, "lost; looking for it again");
  // A port that was taken when the clock came is tried again at each look.
  if (clock.connected() && settings_.ubx_listen && clock.serving() && !clock.share()) {
    if (auto share = StartShare(served)) clock.Share(std::move(share));
  }
  alarms_.Check(clock);
  if (news.connected || news.ticked) PublishReading(clock);
  served.connected = clock.connected();
  ListForControl(served, clock, news);
  served.feeding = clock.chrony() && clock.chrony()->state() == ChronySocketState::kOk;
  const std::string address = clock.share() ? clock.share()->address().ToString() : "";
  if (address != served.share_address) share_map_changed_ = true;
  served.share_address = address;
}

void ClockDaemon::ListForControl(Served& served, const ServedClock& clock,
                                 const ClockWorker::News& news) {
  if (!settings_.control) return;
  if (served.connected) {
    served.problem =
        ClockProblemText({.opened = true, .denied_path = {}, .busy_path = {}, .busy_holder = {}},
                         clock.session().link().ReportLengthUsable());
  } else if (!news.refused.denied_path.empty() || !news.refused.busy_path.empty()) {
    served.problem = ClockProblemText(news.refused, true);
  } else if (served.problem.empty() && served.listed) {
    served.problem = "cannot be opened";
  }
  settings_.control->Update({clock.serial(), served.connected, served.attached.path,
                             served.attached.manufacturer, served.attached.product,
                             served.attached.release, served.problem});
}

void ClockDaemon::LogRefusal(const std::string& serial, const ClockSession::OpenResult& refused) {
  // Once per serial and kind of refusal: the rescans try again every second.
  const bool busy = refused.denied_path.empty();
  const auto [logged, fresh] = refused_.try_emplace(serial, busy);
  if (!fresh && logged->second == busy) return;
  logged->second = busy;
  if (busy) {
    Log(LogPriority::kWarning, serial,
        "cannot open " + refused.busy_path + ": in use by " + refused.busy_holder +
            "; serving it once that ends");
    return;
  }
  Log(LogPriority::kErr, serial,
      "cannot open " + refused.denied_path +
          ": permission denied; the udev rule gives group orvane access to a clock plugged "
          "in after it was installed (replug the clock or run `udevadm trigger`)");
}

void ClockDaemon::WatchStuck(Served& served) {
  const auto since = served.worker->busy_since();
  if (!since || clock_.Now() - *since < kStuckAfter || served.stuck_logged) return;
  served.stuck_logged = true;
  Log(LogPriority::kWarning, served.worker->serial(),
      "no answer for " + std::to_string(kStuckAfter.count()) +
          " s; the other clocks are served meanwhile");
}

bool ClockDaemon::Healthy() const {
  bool any = false;
  for (const auto& [serial, served] : clocks_) {
    const auto since = served.worker->busy_since();
    if (!served.connected && !since) continue;
    any = true;
    if (!since || clock_.Now() - *since < kStuckAfter) return true;
  }
  return !any;
}

void ClockDaemon::StartServing(Served& served, ServedClock& clock) {
  const std::string& serial = clock.serial();
  ClockOutputs outputs;
  if (settings_.log) {
    outputs.log =
        std::make_unique<ClockLog>(*settings_.log, serial, log_, settings_.sample_gate.not_before);
  }
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
  clock.Serve(std::move(outputs));
}

std::unique_ptr<UbxShare> ClockDaemon::StartShare(Served& served) {
  const std::string& serial = served.worker->serial();
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
  if (settings_.metrics) settings_.metrics->Remove(served.worker->serial());
  if (settings_.control) {
    served.problem = "not attached";
    settings_.control->Update({served.worker->serial(), false, served.attached.path,
                               served.attached.manufacturer, served.attached.product,
                               served.attached.release, served.problem});
  }
  Log(LogPriority::kNotice, served.worker->serial(), "gone");
}

void ClockDaemon::Stop() {
  alarms_.Stop();
  for (auto& [serial, served] : clocks_) {
    served.worker->Stop();
    served.connected = false;
    served.feeding = false;
  }
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
    if (!served.connected) continue;
    ++serving;
    if (served.feeding) ++feeding;
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
      if (!served.share_address.empty()) {
        out << PathComponentOf(serial) << ' ' << served.share_address << '\n';
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
  reading.samples_held = clock.sample_gate().held();
  if (reading.up) {
    reading.holdover_seconds =
        std::chrono::duration<double>(clock.holdover().Duration(clock_.Now())).count();
  }
  settings_.metrics->Publish(std::move(reading));
}

void ClockDaemon::Log(LogPriority priority, const std::string& serial, const std::string& message) {
  log_.Write(priority, serial + ": " + message);
}

}  // namespace orvane
