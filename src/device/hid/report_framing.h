#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

// The program's buffers always begin with the report-ID byte; these adapt hidapi's framing to that.

// An input report as hidapi read it, framed with its report ID first. A device without numbered
// reports delivers no ID byte, so 0 is put in front; a numbered one already starts with it.
std::vector<std::uint8_t> FrameInputReport(std::span<const std::uint8_t> received, bool numbered);

// Completes `report` after hidapi's get-feature call returned `result` (bytes received, report ID
// included, or negative on failure). A reply must carry at least one byte after the report ID;
// bytes past the reply's end are zeroed so that nothing of the request passes for the reply.
// Returns whether the reply counts as received.
bool FinishFeatureReply(int result, std::span<std::uint8_t> report);

}  // namespace orvane
