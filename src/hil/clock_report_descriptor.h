#pragma once

#include <cstdint>
#include <vector>

namespace orvane {

// The HID report descriptor of the clock: one vendor-defined collection with an unnumbered input
// report and an unnumbered feature report. Lengths count the report-ID byte, as the program does,
// so 64 declares 63 data bytes. Each length must lie in 2..65536.
std::vector<std::uint8_t> ClockReportDescriptor(int feature_report_length, int input_report_length);

}  // namespace orvane
