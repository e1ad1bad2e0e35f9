#include "engine/ubx_trace.h"

#include <cstdio>

#include "engine/ubx_messages.h"
#include "protocol/ubx_ids.h"

namespace orvane {

namespace {

void AppendNavClock(const NavClock& clock, std::string& text) {
  text += " clkD=" + std::to_string(clock.clk_d) + " fAcc=" + std::to_string(clock.f_acc);
}

void AppendNavSvInfo(const NavSvInfo& info, std::string& text) {
  text += " numCh=" + std::to_string(info.num_ch);
  for (const SvInfoChannel& channel : info.Channels()) {
    text += ' ' + std::to_string(channel.chn) + '/' + std::to_string(channel.flags) + '/' +
            std::to_string(channel.cno);
  }
}

void AppendNavTimeUtc(const NavTimeUtc& time, std::string& text) {
  char part[80];
  std::snprintf(part, sizeof part, " utc=%04u-%02u-%02uT%02u:%02u:%02u nano=%d valid=%02X",
                unsigned{time.year}, unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                unsigned{time.min}, unsigned{time.sec}, static_cast<int>(time.nano),
                unsigned{time.valid});
  text += part;
}

}  // namespace

std::string UbxTraceText(const UbxFrame& frame) {
  char header[32];
  std::snprintf(header, sizeof header, "%02X %02X %zu", unsigned{frame.msg_class},
                unsigned{frame.msg_id}, frame.payload.size());
  std::string text = header;
  if (frame.msg_class != kUbxClassNav) return text;
  switch (frame.msg_id) {
    case kUbxIdNavClock:
      if (const auto clock = DecodeNavClock(frame.payload)) AppendNavClock(*clock, text);
      break;
    case kUbxIdNavSvInfo:
      if (const auto info = DecodeNavSvInfo(frame.payload)) AppendNavSvInfo(*info, text);
      break;
    case kUbxIdNavTimeUtc:
      if (const auto time = DecodeNavTimeUtc(frame.payload)) AppendNavTimeUtc(*time, text);
      break;
  }
  return text;
}

}  // namespace orvane
