// Feeds arbitrary bytes to the receiver-stream core: the UBX parser (in chunks and byte by byte,
// which must agree) and every message decoder.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/label20_caption.h"
#include "engine/satellite_chart.h"
#include "engine/ubx_messages.h"
#include "engine/ubx_parser.h"
#include "engine/ubx_trace.h"

namespace {

using orvane::UbxFrame;

struct Frames {
  std::vector<std::uint8_t> flat;  // class, id, payload of every frame, back to back
  orvane::SatelliteChart chart{107};

  void Add(const UbxFrame& frame) {
    flat.push_back(frame.msg_class);
    flat.push_back(frame.msg_id);
    flat.insert(flat.end(), frame.payload.begin(), frame.payload.end());
    (void)orvane::UbxTraceText(frame);
    (void)orvane::Label20Caption(frame);
    if (const auto info = orvane::DecodeNavSvInfo(frame.payload)) chart.Apply(*info);
    if (const auto clock = orvane::DecodeNavClock(frame.payload)) {
      (void)orvane::TcxoPpbText(*clock);
      (void)orvane::TcxoAccText(*clock);
    }
    if (const auto time = orvane::DecodeNavTimeUtc(frame.payload)) {
      (void)orvane::HostClockTime(*time);
    }
    (void)orvane::DecodeNavTimeLs(frame.payload);
    chart.Age();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  // Fresh parsers per input, built in place: their payload buffers are large, and a heap
  // allocation of that size per input would cost more than the parsing.
  Frames by_chunk;
  Frames by_byte;
  static std::optional<orvane::UbxParser> chunk_parser;
  static std::optional<orvane::UbxParser> byte_parser;
  chunk_parser.emplace([&](const UbxFrame& frame) { by_chunk.Add(frame); });
  byte_parser.emplace([&](const UbxFrame& frame) { by_byte.Add(frame); });

  // Chunks cut where the input says, so bulk and single-byte paths meet at every state.
  const std::size_t cut = size < 2 ? 0 : (data[0] | std::size_t{data[1]} << 8) % (size + 1);
  chunk_parser->Parse(bytes.first(cut));
  chunk_parser->Parse(bytes.subspan(cut));
  for (std::uint8_t byte : bytes) byte_parser->UbxParseByte(byte);
  if (by_chunk.flat != by_byte.flat || chunk_parser->UbxState() != byte_parser->UbxState()) {
    __builtin_trap();
  }
  return 0;
}
