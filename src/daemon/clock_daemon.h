#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "daemon/clock_alarms.h"
#include "daemon/clock_log.h"
#include "daemon/clock_worker.h"
#include "daemon/control_requests.h"
#include "daemon/log_settings.h"
#include "daemon/metrics_board.h"
#include "daemon/served_clock.h"
#include "service/chrony_socket.h"
#include "service/journal_log.h"
#include "service/listen_address.h"

namespace orvane {

struct DaemonSettings {
  // chronyd's socket, `%s` standing for the serial; empty: no feed.
  std::string chrony_socket;
  // Set: every clock's stream is shared, the first port here, the next clocks on the next ports.
  std::optional<ListenAddress> ubx_listen;
  // Set: the serial→address map of the shares is kept in this file for other programs.
  std::string share_map_path;
  // Set: samples go here instead of to chronyd (offset estimation).
  std::function<void(const std::string& serial, const SockSample&)> sample_sink;
  // Set: every clock's reading is published here after each of its polls.
  MetricsBoard* metrics = nullptr;
  // Set: alarm when a clock's offset accuracy is worse than this.
  std::optional<double> alarm_accuracy_ppb;
  // Not empty: the program and arguments run for each alarm.
  std::vector<std::string> alarm_exec;
  // Set: every clock's samples (and UBX frames) are logged to daily files.
  std::optional<LogSettings> log;
  // Set: each clock is listed here for the control socket.
  ControlDirectory* control = nullptr;
  // Each clock's exchanges on a thread of its own; false: all on the loop's thread, as tests on
  // a manual clock need.
  bool threads = true;
  // What a NAV-TIMEUTC must show to be sent to chronyd.
  SampleGateSettings sample_gate;
};

// The service's loop without its waiting: serves every attached clock, finds new ones, re-finds
// lost ones and lets go of those that left. Each clock's exchanges run on its own ClockWorker;
// the loop only looks at the clocks between them, so one clock that blocks stalls no other.
class ClockDaemon {
 public:
  static constexpr std::chrono::seconds kRescanInterval{1};
  // A clock in one exchange this long is stuck (logged once); all of them stuck: unhealthy.
  static constexpr std::chrono::seconds kStuckAfter{10};

  ClockDaemon(HidBackend& backend, TraceLog& trace, MonotonicClock& clock, JournalLog& log,
              DaemonSettings settings);
  ~ClockDaemon();

  // Lists the clocks when due and polls each whose tick has come; returns the monotonic time of
  // the next call.
  std::chrono::nanoseconds RunOnce();
  // Every clock's receiver messages back to 0 and its handles closed.
  void Stop();

  // One line for the service manager: how many clocks are served and how many feed chronyd.
  std::string Status() const;
  // False while every clock served is stuck in an exchange: the watchdog is then left to
  // restart the service.
  bool Healthy() const;
  // Clocks on the bus at the last rescan.
  std::size_t clock_count() const;
  // How often each alarm (lock_lost, ...) was raised for a clock since the start; kept while the
  // clock is away. Empty for a serial never served.
  const AlarmCounts& alarm_counts(const std::string& serial) const {
    return alarms_.counts(serial);
  }

 private:
  struct Served {
    std::unique_ptr<ClockWorker> worker;
    std::optional<std::uint16_t> port_offset;
    bool listed = false;  // on the bus at the last rescan
    bool share_failure_logged = false;
    bool stuck_logged = false;
    // As seen at the last look, for the status line and the share map.
    bool connected = false;
    bool feeding = false;
    std::string share_address;
    AttachedClock attached;  // as the last rescan listed it
    std::string problem;     // why the control socket's list calls it unusable
  };

  void Rescan();
  // Takes in what the clock's worker did since the last look; false while it is in an exchange.
  bool LookAt(Served& served);
  void TakeNews(Served& served, ServedClock& clock, const ClockWorker::News& news);
  // What the control socket's `list` shows of the clock.
  void ListForControl(Served& served, const ServedClock& clock, const ClockWorker::News& news);
  // Logs why the clock `serial` could not be opened, once per kind of refusal.
  void LogRefusal(const std::string& serial, const ClockSession::OpenResult& refused);
  void WatchStuck(Served& served);
  void StartServing(Served& served, ServedClock& clock);
  std::unique_ptr<UbxShare> StartShare(Served& served);
  void Forget(Served& served);
  void WriteShareMap() const;
  void PublishReading(const ServedClock& clock);
  void Log(LogPriority priority, const std::string& serial, const std::string& message);

  HidBackend& backend_;
  TraceLog& trace_;
  MonotonicClock& clock_;
  JournalLog& log_;
  const DaemonSettings settings_;
  ClockSession scout_;                    // lists clocks; never opens one
  std::map<std::string, Served> clocks_;  // by serial: the map's order is the serial order
  std::map<std::string, bool> refused_;   // serials whose refusal was logged: busy, or denied
  std::set<std::string> duplicates_;      // serials listed twice, logged
  std::set<std::string> fed_paths_;       // chrony sockets in use
  std::chrono::nanoseconds next_rescan_{0};
  bool share_map_changed_ = false;
  ClockAlarms alarms_;
};

}  // namespace orvane
