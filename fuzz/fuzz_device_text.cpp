// Feeds arbitrary USB strings (two bytes per code unit) through the low-byte rule and the UTF-8
// repair that JSON and metric labels use. What the repair makes is valid UTF-8, so repairing it
// again changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/hid/wide_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring wide;
  for (std::size_t i = 0; i + 1 < size; i += 2) wide.push_back(data[i] | data[i + 1] << 8);
  const std::string utf8 = orvane::ValidUtf8(orvane::LowByteText(wide));
  if (orvane::ValidUtf8(utf8) != utf8) __builtin_trap();
  const std::string raw =
      orvane::ValidUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  if (orvane::ValidUtf8(raw) != raw || raw.size() < size) __builtin_trap();
  return 0;
}
