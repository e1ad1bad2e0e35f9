#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "engine/device_link.h"
#include "engine/telemetry.h"
#include "protocol/cfg_msg.h"
#include "protocol/config_report.h"
#include "protocol/pll_dividers.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"

namespace orvane {

// A clock as enumeration sees it, before anything is opened.
struct AttachedClock {
  std::string serial;
  std::string path;
  std::string manufacturer;
  std::string product;
  std::uint16_t release = 0;  // major in the high byte, minor in the low byte
};

// Identity read from an open clock's strings; nullopt where the clock does not answer.
struct ClockIdentity {
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
  std::uint16_t release = 0;
};

// The release as the window shows it: major, then the minor in upper-case hex ("1.1F").
std::string ReleaseText(std::uint16_t release);

// What a poll tick found.
enum class PollOutcome {
  kNotOpen,     // no clock open: nothing was read
  kReports,     // at least one input report arrived
  kNothingYet,  // quiet, but not yet for long enough to count as lost
  kLost,        // failed read, pending re-selection or a second of silence: the link is dropped
};

struct PollResult {
  PollOutcome outcome = PollOutcome::kNotOpen;
  // The interval the next tick should come after, where this one changed it: the poll's own pace
  // after reports, the slower search after a loss.
  std::optional<std::chrono::milliseconds> poll_interval;
  std::optional<ReportStatus> status;  // the first report's, on kReports
  std::optional<PllReferenceCounts> pll_reference;
  std::size_t frames = 0;  // checksum-valid UBX frames decoded
};

// Callbacks of one poll, each run in stream order while the poll decodes.
struct PollListener {
  // Receiver stream bytes of one report, as the device sent them.
  std::function<void(std::span<const std::uint8_t> bytes, const ReceiveTime& received)> stream{};
  // One checksum-valid frame, after the telemetry state took it in.
  std::function<void(const UbxMessage& message)> message{};
};

// One clock driven the way the design's operations drive it: which exchanges, in which order,
// with which waits. Front ends present and decide; they never build report bytes or sequence
// exchanges. Not thread-safe: one thread per session.
class ClockSession {
 public:
  // Waits of the design's operations.
  static constexpr std::chrono::milliseconds kIdentityPause{5};
  static constexpr std::chrono::milliseconds kFirstReportWait{20};
  static constexpr std::chrono::seconds kSilenceLimit{1};
  static constexpr std::chrono::milliseconds kReferenceReplyDelay{2};
  static constexpr std::size_t kInputReportsBytes = 34000;
  static constexpr std::uint16_t kFirstReferenceRelease = 0x0112;
  static constexpr std::uint8_t kStatusMessageRate = 10;
  // The status poll's pace while a clock answers, and while one is searched for after a loss.
  static constexpr std::chrono::milliseconds kPollInterval{50};
  static constexpr std::chrono::milliseconds kSearchInterval{250};
  // NAV-TIMEUTC once a second at the receiver's 4 Hz; NAV-TIMELS every 10 s, often enough to
  // see a leap announcement within the day it matters.
  static constexpr std::uint8_t kTimeUtcMessageRate = 4;
  static constexpr std::uint8_t kLeapSecondMessageRate = 40;

  ClockSession(HidBackend& backend, TraceLog& trace, MonotonicClock& clock);

  // The link's state, for reading: only the session's operations change it.
  const DeviceLink& link() const { return link_; }
  const Telemetry& telemetry() const { return telemetry_; }
  TraceLog& trace() { return link_.trace(); }
  MonotonicClock& clock() { return clock_; }

  // Discovery. Clocks whose serial number cannot be read are left out: they could never be
  // chosen.
  std::vector<AttachedClock> ListClocks();
  // Lists the attached clocks again; `show` sees them while DeviceListReady is false, so that
  // whatever a front end does with the list cannot reach the device.
  void Rescan(const std::function<void(const std::vector<AttachedClock>&)>& show);
  // Opens the first clock listed with `serial`; with `or_another`, a clock refused for lack of
  // permission gives way to the last listed clock that opens. `denied_path` names the first
  // clock refused for lack of permission, `busy_path` the first held by another program (who:
  // `busy_holder`, "another program" where unknown); empty when none was.
  struct OpenResult {
    bool opened = false;
    std::string denied_path;
    std::string busy_path;
    std::string busy_holder;
  };
  OpenResult Open(const std::string& serial, bool or_another = false);
  // Another clock chosen while the list is ready: the open one is dropped and `serial` opened.
  // While that fails the re-selection stays pending.
  struct Reselection {
    OpenResult open;
    std::optional<std::chrono::milliseconds> poll_interval;  // set when a link was dropped
  };
  Reselection Reselect(const std::string& serial);
  // The one way a link is dropped: handles closed, flags false. Returns the poll's interval from
  // now on.
  std::chrono::milliseconds DropLink();
  // The end of the session: the link dropped and the list no longer ready.
  void Close();

  // A front end without a window starts here: the attached clocks are listed (which opens the
  // drive-strength guard as the window's list does), `serial` is opened (empty: the design's
  // choice, the last listed, or the last that opens) and read back as by Readback().
  struct Connection {
    OpenResult open;
    ClockIdentity identity;
    std::optional<DeviceConfiguration> configuration;
  };
  Connection Connect(const std::string& serial);
  // Configuration readback, in the design's order: identity (with its pauses), then the stored
  // configuration, then the receiver's two status messages. A clock whose reports are too short
  // for the program gets nothing.
  std::optional<DeviceConfiguration> Readback(ClockIdentity* identity = nullptr);
  // The readback up to the status messages, with every guard closed (and the LED blink state
  // forgotten): a front end shows what it found, then opens the guards with
  // StartStatusMessages(). Nullopt when no clock is open.
  struct StoredState {
    ClockIdentity identity;
    bool usable = false;  // reports long enough: nothing is fetched from a clock that is not
    std::optional<DeviceConfiguration> configuration;
  };
  std::optional<StoredState> ReadStoredState();
  // The stored configuration alone, after the device's pause.
  std::optional<DeviceConfiguration> FetchConfiguration();
  // Opens the ConfigLoaded guard and switches NAV-SVINFO and NAV-CLOCK on.
  void StartStatusMessages();
  // Switches them off again (shutdown); guarded like every sender.
  void StopStatusMessages();
  // A time service's messages: NAV-TIMEUTC and NAV-TIMELS on. Stopping switches NAV-TIMELS off
  // and leaves NAV-TIMEUTC on, which the window's host-clock setting relies on.
  void StartTimeMessages();
  void StopTimeMessages();

  // Whether commands reach the clock: one is open, its configuration read and its reports long
  // enough for every command.
  bool AcceptsCommands() const;

  // Commands, each behind the design's guards; false when nothing was sent or the send failed.
  bool SetOutputEnabled(bool enabled);
  // Flips the LED blink state, sent or not: the device is never asked what it does.
  bool ToggleLedBlink();
  bool SetDriveStrength(int index);
  bool SetConstellations(std::uint8_t mask);
  bool StoreCorrection(std::int16_t ppb);
  bool Sleep();
  bool WriteRegister(std::uint8_t address, std::uint8_t value);
  // The set twice, back to back, as the device expects it.
  bool ProgramPll(const PllDividers& dividers);
  // Writes a checked serial number (see CheckSerialNumber) and drops the link: the clock comes
  // back under its new number about half a second later.
  struct SerialNumberWrite {
    bool sent = false;
    std::optional<std::chrono::milliseconds> poll_interval;  // set when the link was dropped
  };
  SerialNumberWrite WriteSerialNumber(const std::string& serial);

  // "Factory defaults" as the window's button runs it, report for report: a clock whose serial
  // number is unset ("000000") only gets `serial_for_unset` (and comes back under it); any other
  // gets 32mA, output on (if it was off), the 10 MHz set of the first and of the sixtieth VCO
  // entry, that set saved with NC2_LS = NC1_LS, a readback, and, while its correction is still the
  // factory -500 ppb, the receiver's latest drift estimate stored and read back. `stored` is the
  // configuration read before.
  void FactoryDefaults(const DeviceConfiguration& stored,
                       const std::string& serial_for_unset = "G60031");

  // One status tick: drains the queued input reports (waiting at most kFirstReportWait for the
  // first), decodes the receiver stream of every complete flagged report into the telemetry, asks
  // newer clocks for the PLL reference, and drops the link on loss (trace `lost`) or while a
  // re-selection is pending.
  PollResult Poll(const PollListener& listener = {});

 private:
  enum class ReadOutcome { kReports, kNothingYet, kLost };
  ReadOutcome ReadInputReports(std::size_t& bytes);
  ClockIdentity ReadIdentity();
  std::optional<PllReferenceCounts> QueryPllReference();
  bool SendWithDetectedAndLoaded(const Command& command);

  DeviceLink link_;
  MonotonicClock& clock_;
  Telemetry telemetry_;
  std::vector<std::uint8_t> input_reports_;
  std::vector<ReceiveTime> input_times_;  // one per report in input_reports_
  // When the open clock last went quiet; empty while it sends. Belongs to one connection.
  std::optional<std::chrono::nanoseconds> silent_since_;
};

}  // namespace orvane
