#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "access/direct_access.h"
#include "access/service_access.h"
#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "engine/clock_session.h"
#include "history/history_store.h"
#include "ui/control_events.h"
#include "ui/modal_message.h"
#include "window/control_inventory.h"
#include "window/device/config_readback.h"
#include "window/device/discovery.h"
#include "window/device/output_handlers.h"
#include "window/history/history_window.h"
#include "window/pll/programming_handlers.h"
#include "window/pll/search_handlers.h"
#include "window/pll/vco_selection_handlers.h"
#include "window/status/constellation_handlers.h"
#include "window/status/correction_handlers.h"
#include "window/status/host_clock.h"
#include "window/status/poll_handlers.h"
#include "window/status/satellite_bars.h"
#include "window/status/telemetry_display.h"

namespace orvane {

// What the window needs from outside: the device backend (real, simulated, traced), the trace,
// the modal message function, and orvaned's clocks where the window goes through the service.
struct AppServices {
  HidBackend& backend;
  TraceLog& trace;
  ModalMessage show_message;         // displays only; the window traces every message itself
  MonotonicClock& clock;             // the waits of device exchanges
  HostClock& host_clock;             // set from the receiver's UTC time
  ServiceAccess* service = nullptr;  // the service's clocks; null: the backend's, opened here
};

// The main window: the composition root that creates the controls, the device link and one
// handler object per subsystem, and wires the controls' events to them.
class frmMain : public QWidget {
 public:
  static constexpr int kClientWidthTwips = 13980;
  static constexpr int kClientHeightTwips = 9585;
  static constexpr int kWideTwips = 14000;
  static constexpr int kNarrowTwips = 4770;

  explicit frmMain(AppServices services, QWidget* parent = nullptr);
  ~frmMain() override;

  void Form_Load();
  void Form_Unload();
  void Advanced_Click();
  // Opens the History window, or brings it to the front.
  void History_Click();

  int OuterWidthTwips() const { return outer_width_twips_; }
  ControlInventory& controls() { return controls_; }
  // The clock the handlers drive: the backend's through the session, or the service's.
  ClockAccess& access() { return access_; }
  ClockSession& session() { return session_; }
  const DeviceLink& link() const { return session_.link(); }
  QTimer& timer() { return Timer_; }
  ControlEvents& events() { return events_; }
  Discovery& discovery() { return *discovery_; }
  ConfigReadback& readback() { return *readback_; }
  OutputHandlers& output() { return *output_; }
  ConstellationHandlers& constellations() { return *constellations_; }
  CorrectionHandlers& correction() { return *correction_; }
  PollHandlers& poll() { return *poll_; }
  TelemetryDisplay& telemetry() { return *telemetry_; }
  ProgrammingHandlers& programming() { return *programming_; }
  VcoSelectionHandlers& vco_selection() { return *vco_selection_; }
  SearchHandlers& search() { return *search_; }
  const VcoCandidates& candidates() const { return candidates_; }
  SatelliteBars& bars() { return *bars_; }
  const HistoryStore& history() const { return history_; }
  HistoryWindow* history_window() { return history_window_.get(); }
  // Shows a modal message and writes it to the trace.
  const ModalMessage& message() const { return message_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void PlaceEmptyBars();
  DividerFieldBoxes DividerFields() const;
  void CreatePllHandlers();
  void CreateStatusHandlers();
  void CreateConfigurationHandlers();

  AppServices services_;
  ModalMessage message_;
  ControlInventory controls_;
  ControlEvents events_;
  ClockSession session_;
  DirectAccess direct_;
  ClockAccess& access_;
  QTimer Timer_;
  bool AdvancedCollapsed = true;
  bool unloaded_ = false;
  int outer_width_twips_ = kWideTwips;
  HistoryStore history_;
  std::unique_ptr<HistoryWindow> history_window_;
  std::unique_ptr<SatelliteBars> bars_;
  std::unique_ptr<ConfigReadback> readback_;
  std::unique_ptr<Discovery> discovery_;
  std::unique_ptr<TelemetryDisplay> telemetry_;
  std::unique_ptr<PollHandlers> poll_;
  VcoCandidates candidates_;
  std::unique_ptr<ProgrammingHandlers> programming_;
  std::unique_ptr<VcoSelectionHandlers> vco_selection_;
  std::unique_ptr<SearchHandlers> search_;
  std::unique_ptr<OutputHandlers> output_;
  std::unique_ptr<ConstellationHandlers> constellations_;
  std::unique_ptr<CorrectionHandlers> correction_;
};

}  // namespace orvane
