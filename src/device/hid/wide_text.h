#pragma once

#include <string>
#include <string_view>

namespace orvane {

// USB strings arrive as wide characters; the device's texts are made from the low byte of each
// code unit, up to (not including) the first code unit whose low byte is 0.
std::string LowByteText(std::wstring_view wide);

}  // namespace orvane
