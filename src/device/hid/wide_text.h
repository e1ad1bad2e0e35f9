#pragma once

#include <string>
#include <string_view>

namespace orvane {

// USB strings arrive as wide characters; the device's texts are made from the low byte of each
// code unit, up to (not including) the first code unit whose low byte is 0.
std::string LowByteText(std::wstring_view wide);

// `text` as valid UTF-8, for what leaves the program as UTF-8 (JSON, metric labels): valid UTF-8
// sequences are kept, and every other byte is taken for the character of that code, as the
// low-byte rule made it (0xE9 becomes "é").
std::string ValidUtf8(std::string_view text);

}  // namespace orvane
