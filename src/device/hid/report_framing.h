#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
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

// A device string after hidapi's string call returned `result` (0 on success) with `text`. hidapi
// hands back an empty string for one the device does not have (no USB string descriptor, or no
// USB parent at all); like a failed call, that is no string: nullopt.
std::optional<std::wstring> DeviceString(int result, const wchar_t* text);

}  // namespace orvane
