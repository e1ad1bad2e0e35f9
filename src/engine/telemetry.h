#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "device/hid/hid_backend.h"
#include "engine/device_link.h"
#include "engine/ubx_messages.h"
#include "engine/ubx_parser.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"

namespace orvane {

// One checksum-valid frame and when its last byte reached the host, with what it decoded to
// (null where it is not that message or too short for it). Views and pointers live only as long
// as the callback it is handed to.
struct UbxMessage {
  std::uint8_t msg_class = 0;
  std::uint8_t msg_id = 0;
  std::span<const std::uint8_t> payload;
  ReceiveTime received;
  // When the receiver's output for the frame's epoch reached the host: the first report after a
  // gap in the stream, where the epoch's first NAV message began (NAV messages are matched by
  // their iTOW). A frame's bytes may wait in the device for the next epoch's, so this is the
  // steadier time. `received` when no recent gap marks it.
  ReceiveTime epoch_began;
  const NavSvInfo* sv_info = nullptr;
  const NavClock* nav_clock = nullptr;
  const NavTimeUtc* time_utc = nullptr;
  const NavTimeLs* time_ls = nullptr;
};

// A decoded message with the time its last byte arrived.
template <typename Message>
struct Received {
  Message value;
  ReceiveTime received;
};

// What the clock last said about itself and its receiver: the state any front end reads. Lives
// with the session; a newly opened clock starts the stream afresh (a frame cut off by a lost
// device must not swallow the first frame of the next one) but keeps the last values until new
// ones arrive, all but the drift estimate.
class Telemetry {
 public:
  using MessageHandler = std::function<void(const UbxMessage&)>;
  // A pause in the stream this long separates two epochs' output; an epoch's output that began
  // longer ago than a solution interval before a frame does not date it.
  static constexpr std::chrono::milliseconds kEpochGap{100};
  static constexpr std::chrono::milliseconds kEpochOutputLimit{250};

  // `link` names the clock in the trace.
  explicit Telemetry(const DeviceLink& link);
  // A telemetry fed from elsewhere than a link (the service's stream): `serial` names the clock
  // in the trace; both must outlive it.
  Telemetry(TraceLog& trace, const std::string& serial);

  // A newly opened clock: its stream starts afresh, and it has no drift estimate yet.
  void Restart();

  // Receiver stream bytes of one report, in the order the device sent them. Writes a `ubx` trace
  // line per frame and updates the state before handing the frame to `on_message`.
  void Parse(std::span<const std::uint8_t> stream, const ReceiveTime& received,
             const MessageHandler& on_message);

  const std::optional<Received<NavClock>>& nav_clock() const { return nav_clock_; }
  const std::optional<Received<NavSvInfo>>& sv_info() const { return sv_info_; }
  const std::optional<Received<NavTimeUtc>>& time_utc() const { return time_utc_; }
  const std::optional<Received<NavTimeLs>>& time_ls() const { return time_ls_; }
  const std::optional<ReportStatus>& status() const { return status_; }
  const std::optional<PllReferenceCounts>& pll_reference() const { return pll_reference_; }
  // The receiver's latest clock-drift estimate (NAV-CLOCK clkD, ppb) since this clock was opened;
  // what factory defaults stores as the correction.
  const std::optional<std::int32_t>& latest_clock_drift_ppb() const {
    return latest_clock_drift_ppb_;
  }
  // Whether the PLL reports lock; false before the first status.
  bool pll_locked() const { return status_ && !status_->pll_not_locked; }

  void set_status(const ReportStatus& status) { status_ = status; }
  void set_pll_reference(const PllReferenceCounts& counts) { pll_reference_ = counts; }

 private:
  void Take(const UbxFrame& frame);

  TraceLog& trace_;
  const std::string& serial_;
  UbxParser parser_;
  ReceiveTime current_;
  std::optional<ReceiveTime> last_stream_;  // the last report with stream bytes
  std::optional<ReceiveTime> epoch_began_;  // the last report after a gap
  // For the frame being parsed: the report of its first byte and the epoch begun by then.
  ReceiveTime frame_began_;
  std::optional<ReceiveTime> frame_epoch_;
  std::optional<std::pair<std::uint32_t, ReceiveTime>> epoch_itow_;  // the epoch's and its time
  const MessageHandler* on_message_ = nullptr;
  std::optional<Received<NavClock>> nav_clock_;
  std::optional<Received<NavSvInfo>> sv_info_;
  std::optional<Received<NavTimeUtc>> time_utc_;
  std::optional<Received<NavTimeLs>> time_ls_;
  std::optional<ReportStatus> status_;
  std::optional<PllReferenceCounts> pll_reference_;
  std::optional<std::int32_t> latest_clock_drift_ppb_;
};

}  // namespace orvane
