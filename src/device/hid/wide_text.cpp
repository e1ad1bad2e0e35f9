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

namespace {

// The length of the valid UTF-8 sequence `text` begins with; 0 when it begins with none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // the second byte's range: overlong forms and surrogates excluded
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  while (!text.empty()) {
    std::size_t length = Utf8SequenceLength(text);
    if (length > 0) {
      utf8.append(text.substr(0, length));
    } else {
      const auto code = static_cast<unsigned char>(text[0]);
      utf8.push_back(static_cast<char>(0xC0 | code >> 6));
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
      length = 1;
    }
    text.remove_prefix(length);
  }
  return utf8;
}

}  // namespace orvane
