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

}  // namespace
}  // namespace orvane
