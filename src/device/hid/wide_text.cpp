#include "device/hid/wide_text.h"

namespace orvane {

std::string LowByteText(std::wstring_view wide) {
  std::string text;
  text.reserve(wide.size());
  for (wchar_t unit : wide) {
    const auto low = static_cast<char>(static_cast<unsigned long>(unit) & 0xFFu);
    if (low == '\0') break;
    text.push_back(low);
  }
  return text;
}

}  // namespace orvane
