// Feeds one read of status input reports: byte 0 is the report length (any, 0 included), the rest
// several reports back to back, the last possibly cut short. The stream slices must be whole
// reports' tails, and parsing them one by one must find the frames the joined stream holds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/ubx_parser.h"
#include "protocol/status_report.h"

namespace {

// Class, id and payload of every frame, back to back. Logs live across inputs and are reset for
// each: a parser's payload buffer is large, and allocating it per input would dominate the run.
struct FrameLog {
  std::vector<std::uint8_t> flat;
  std::optional<orvane::UbxParser> parser;

  void Reset() {
    flat.clear();
    parser.emplace([this](const orvane::UbxFrame& frame) {
      flat.push_back(frame.msg_class);
      flat.push_back(frame.msg_id);
      flat.insert(flat.end(), frame.payload.begin(), frame.payload.end());
    });
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t report_length = data[0];
  const std::span<const std::uint8_t> reads(data + 1, size - 1);

  const auto status = orvane::DecodeReportStatus(reads);
  if (status.has_value() != (reads.size() >= 3)) __builtin_trap();

  static FrameLog by_slice;
  static FrameLog by_stream;
  by_slice.Reset();
  by_stream.Reset();
  std::vector<std::uint8_t> joined;
  std::size_t slices = 0;
  orvane::ForEachStreamSlice(reads, report_length, [&](std::span<const std::uint8_t> slice) {
    if (slice.size() != report_length - 3) __builtin_trap();
    const std::size_t start = static_cast<std::size_t>(slice.data() - reads.data());
    if (start % report_length != 3 || start + slice.size() > reads.size()) __builtin_trap();
    ++slices;
    by_slice.parser->Parse(slice);
    joined.insert(joined.end(), slice.begin(), slice.end());
  });
  if (report_length != 0 && slices > reads.size() / report_length) __builtin_trap();

  by_stream.parser->Parse(joined);
  if (by_slice.flat != by_stream.flat) __builtin_trap();
  return 0;
}
