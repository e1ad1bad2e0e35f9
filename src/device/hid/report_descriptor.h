#pragma once

#include <cstdint>
#include <span>

namespace orvane {

// Report lengths as Windows counts them: the largest report of each type over all report IDs, in
// bytes, with one byte added for the report ID (even when the device does not number its
// reports). 0 for a type the device has no report of.
struct ReportLengths {
  int input = 0;
  int output = 0;
  int feature = 0;
  bool numbered = false;  // the descriptor declares report IDs
};

// Reads a HID report descriptor. Malformed input is safe: parsing stops at the first item that
// runs past the end, and what was read until then counts.
ReportLengths ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace orvane
