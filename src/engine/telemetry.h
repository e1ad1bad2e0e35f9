#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

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
  const NavSvInfo* sv_info = nullptr;
  const NavClock* nav_clock = nullptr;
  const NavTimeUtc* time_utc = nullptr;
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

  // `link` names the clock in the trace.
  explicit Telemetry(const DeviceLink& link);

  // A newly opened clock: its stream starts afresh, and it has no drift estimate yet.
  void Restart();

  // Receiver stream bytes of one report, in the order the device sent them. Writes a `ubx` trace
  // line per frame and updates the state before handing the frame to `on_message`.
  void Parse(std::span<const std::uint8_t> stream, const ReceiveTime& received,
             const MessageHandler& on_message);

  const std::optional<Received<NavClock>>& nav_clock() const { return nav_clock_; }
  const std::optional<Received<NavSvInfo>>& sv_info() const { return sv_info_; }
  const std::optional<Received<NavTimeUtc>>& time_utc() const { return time_utc_; }
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

  const DeviceLink& link_;
  UbxParser parser_;
  ReceiveTime current_;
  const MessageHandler* on_message_ = nullptr;
  std::optional<Received<NavClock>> nav_clock_;
  std::optional<Received<NavSvInfo>> sv_info_;
  std::optional<Received<NavTimeUtc>> time_utc_;
  std::optional<ReportStatus> status_;
  std::optional<PllReferenceCounts> pll_reference_;
  std::optional<std::int32_t> latest_clock_drift_ppb_;
};

}  // namespace orvane
