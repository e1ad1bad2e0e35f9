#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <span>
#include <utility>

#include "engine/ubx_parser.h"

namespace orvane {

// One line per UBX frame that the input reports carry: "CLASS ID LENGTH HASH" in hex, the hash
// (FNV-1a, 32 bits) over the payload. The device writes one for what it sent and the host one for
// what it decoded, so a lost or damaged report shows as a line missing from the host's run.
class StreamFrameLog {
 public:
  explicit StreamFrameLog(std::ostream& out);

  // An input report, report ID first, as the status report lays it out.
  void AddInputReport(std::span<const std::uint8_t> report);

  std::size_t frame_count() const { return frame_count_; }
  // Frames of one message seen so far.
  std::size_t count(std::uint8_t msg_class, std::uint8_t msg_id) const;

 private:
  void Write(const UbxFrame& frame);

  std::ostream& out_;
  UbxParser parser_;
  std::size_t frame_count_ = 0;
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::size_t> counts_;
};

}  // namespace orvane
