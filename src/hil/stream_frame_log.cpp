#include "hil/stream_frame_log.h"

#include <cstdio>

#include "protocol/status_report.h"

namespace orvane {
namespace {

std::uint32_t Fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint32_t hash = 2166136261u;
  for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
  return hash;
}

}  // namespace

StreamFrameLog::StreamFrameLog(std::ostream& out)
    : out_(out), parser_([this](const UbxFrame& frame) { Write(frame); }) {}

void StreamFrameLog::AddInputReport(std::span<const std::uint8_t> report) {
  ForEachStreamSlice(report, report.size(),
                     [this](std::span<const std::uint8_t> slice) { parser_.Parse(slice); });
}

std::size_t StreamFrameLog::count(std::uint8_t msg_class, std::uint8_t msg_id) const {
  const auto found = counts_.find({msg_class, msg_id});
  return found == counts_.end() ? 0 : found->second;
}

void StreamFrameLog::Write(const UbxFrame& frame) {
  char line[40];
  std::snprintf(line, sizeof line, "%02X %02X %zu %08X\n", frame.msg_class, frame.msg_id,
                frame.payload.size(), static_cast<unsigned>(Fnv1a(frame.payload)));
  out_ << line;
  ++frame_count_;
  ++counts_[{frame.msg_class, frame.msg_id}];
}

}  // namespace orvane
