#pragma once

#include <iomanip>
#include <ostream>
#include <string_view>

namespace orvane {

// One "Label   value" line of a block for people; labels line up in a column this wide.
inline constexpr int kLabelWidth = 16;

inline void LabelledLine(std::ostream& out, std::string_view label, std::string_view value) {
  out << std::left << std::setw(kLabelWidth) << label << value << '\n';
}

}  // namespace orvane
