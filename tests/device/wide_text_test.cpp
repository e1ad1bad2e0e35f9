#include "device/hid/wide_text.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(LowByteText, TakesLowByteOfEachCodeUnitUpToFirstZeroLowByte) {
  EXPECT_EQ(LowByteText(L"G60031"), "G60031");
  // U+0147 contributes only its low byte 0x47 ('G').
  EXPECT_EQ(LowByteText(std::wstring(L"\u0147") + L"123"), "G123");
  // U+0100 has a zero low byte and ends the text, like a terminator.
  EXPECT_EQ(LowByteText(std::wstring(L"AB\u0100CD")), "AB");
  EXPECT_EQ(LowByteText(L""), "");
}

TEST(ValidUtf8, KeepsValidSequencesAndTakesOtherBytesForTheirCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"G60031", "G60031"},
      {"Horloge \xE9", "Horloge \xC3\xA9"},  // a device's low byte 0xE9
      {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x95\x90", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x95\x90"},  // kept
      {"\xC3", "\xC3\x83"},                          // cut short
      {"\xC0\x80", "\xC3\x80\xC2\x80"},              // overlong
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate
      {"\xF5", "\xC3\xB5"},                          // beyond U+10FFFF
  };
  for (const auto& [text, utf8] : cases) EXPECT_EQ(ValidUtf8(text), utf8) << text;
}

}  // namespace
}  // namespace orvane
