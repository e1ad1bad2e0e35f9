#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Everything in a received feature report that a correct host would not send: wrong length,
// unknown command, stored forms out of range, bytes past the payload not zero. One short
// description per fault; empty when the report conforms.
std::vector<std::string> CheckCommandReport(std::span<const std::uint8_t> report,
                                            std::size_t feature_report_length);

}  // namespace orvane
