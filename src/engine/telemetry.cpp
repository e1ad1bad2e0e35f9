#include "engine/telemetry.h"

#include "engine/ubx_trace.h"
#include "protocol/byte_order.h"
#include "protocol/ubx_ids.h"

namespace orvane {

Telemetry::Telemetry(const DeviceLink& link) : Telemetry(link.trace(), link.serial()) {}

Telemetry::Telemetry(TraceLog& trace, const std::string& serial)
    : trace_(trace), serial_(serial), parser_([this](const UbxFrame& frame) { Take(frame); }) {}

void Telemetry::Restart() {
  parser_.Reset();
  latest_clock_drift_ppb_.reset();
  last_stream_.reset();
  epoch_began_.reset();
  epoch_itow_.reset();
}

void Telemetry::Parse(std::span<const std::uint8_t> stream, const ReceiveTime& received,
                      const MessageHandler& on_message) {
  if (!stream.empty()) {
    if (last_stream_ && received.monotonic - last_stream_->monotonic >= kEpochGap) {
      epoch_began_ = received;
    }
    last_stream_ = received;
  }
  current_ = received;
  // A frame still open from an earlier report keeps the times it began with.
  if (parser_.UbxState() == UbxParseState::kSync1) {
    frame_began_ = received;
    frame_epoch_ = epoch_began_;
  }
  on_message_ = &on_message;
  parser_.Parse(stream);
  on_message_ = nullptr;
}

void Telemetry::Take(const UbxFrame& frame) {
  if (trace_.enabled()) trace_.Write(serial_, "ubx", UbxTraceText(frame));
  const bool dated = frame_epoch_ && frame_began_.monotonic - frame_epoch_->monotonic <
                                         std::chrono::nanoseconds(kEpochOutputLimit);
  UbxMessage message = {frame.msg_class, frame.msg_id, frame.payload, current_,
                        dated ? *frame_epoch_ : current_};
  // Every NAV message of an epoch carries its iTOW, and the epoch's first one leads its output:
  // later ones, whose first bytes may have waited for the next epoch's, are dated by it.
  if (frame.msg_class == kUbxClassNav && frame.payload.size() >= 4) {
    const auto itow = static_cast<std::uint32_t>(ReadI32(frame.payload, 0));
    if (!epoch_itow_ || epoch_itow_->first != itow) epoch_itow_ = {itow, message.epoch_began};
    message.epoch_began = epoch_itow_->second;
  }
  // The next frame begins in this report.
  frame_began_ = current_;
  frame_epoch_ = epoch_began_;
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
      case kUbxIdNavTimeLs:
        if (auto leap = DecodeNavTimeLs(frame.payload)) {
          time_ls_ = {*leap, current_};
          message.time_ls = &time_ls_->value;
        }
        break;
    }
  }
  if (on_message_ && *on_message_) (*on_message_)(message);
}

}  // namespace orvane
