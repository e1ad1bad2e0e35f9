// Feeds arbitrary bytes to orvaned's control request reader as a client would send them, in
// chunks whose sizes the input's first byte chooses. Every request it accepts must encode to one
// line that reads back to the same line, and every error reply must be JSON.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "control/control_protocol.h"
#include "control/request_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 64;
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  orvane::RequestReader reader(256);
  while (!bytes.empty()) {
    reader.Append(bytes.substr(0, chunk));
    bytes.remove_prefix(std::min(chunk, bytes.size()));
    if (reader.Pending() > 256) __builtin_trap();
    while (const auto line = reader.Next()) {
      if (line->too_long) continue;
      const orvane::RequestParse parsed = orvane::ParseControlRequest(line->text);
      if (!parsed.request) {
        if (!orvane::ParseJson(orvane::ControlErrorLine(parsed.id, parsed.error)).value) {
          __builtin_trap();
        }
        continue;
      }
      std::string encoded = orvane::ControlRequestLine(*parsed.request);
      encoded.pop_back();
      if (encoded.find('\n') != std::string::npos) __builtin_trap();
      const orvane::RequestParse again = orvane::ParseControlRequest(encoded);
      if (!again.request) __builtin_trap();
      std::string twice = orvane::ControlRequestLine(*again.request);
      twice.pop_back();
      if (twice != encoded) __builtin_trap();
    }
  }
  return 0;
}
