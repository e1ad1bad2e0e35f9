#include "engine/telemetry.h"

#include "engine/ubx_trace.h"
#include "protocol/ubx_ids.h"

namespace orvane {

Telemetry::Telemetry(const DeviceLink& link)
    : link_(link), parser_([this](const UbxFrame& frame) { Take(frame); }) {}

void Telemetry::Restart() {
  parser_.Reset();
  latest_clock_drift_ppb_.reset();
}

void Telemetry::Parse(std::span<const std::uint8_t> stream, const ReceiveTime& received,
                      const MessageHandler& on_message) {
  current_ = received;
  on_message_ = &on_message;
  parser_.Parse(stream);
  on_message_ = nullptr;
}

void Telemetry::Take(const UbxFrame& frame) {
  TraceLog& trace = link_.trace();
  if (trace.enabled()) trace.Write(link_.serial(), "ubx", UbxTraceText(frame));
  UbxMessage message = {frame.msg_class, frame.msg_id, frame.payload, current_};
  if (frame.msg_class == kUbxClassNav) {
    // A message too short for the fields it is read for changes nothing.
    switch (frame.msg_id) {
      case kUbxIdNavSvInfo: {
        // Decoded in place: a kept message is 255 channel blocks.
        const bool had = sv_info_.has_value();
        if (!had) sv_info_.emplace();
        if (DecodeNavSvInfo(frame.payload, sv_info_->value)) {
          sv_info_->received = current_;
          message.sv_info = &sv_info_->value;
        } else if (!had) {
          sv_info_.reset();
        }
        break;
      }
      case kUbxIdNavClock:
        if (auto clock = DecodeNavClock(frame.payload)) {
          nav_clock_ = {*clock, current_};
          message.nav_clock = &nav_clock_->value;
          latest_clock_drift_ppb_ = clock->clk_d;
        }
        break;
      case kUbxIdNavTimeUtc:
        if (auto time = DecodeNavTimeUtc(frame.payload)) {
          time_utc_ = {*time, current_};
          message.time_utc = &time_utc_->value;
        }
        break;
    }
  }
  if (on_message_ && *on_message_) (*on_message_)(message);
}

}  // namespace orvane
