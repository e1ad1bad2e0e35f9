// Feeds arbitrary HID report descriptors to the length parser. Lengths stay within what Windows
// can hold, and reading more of a descriptor never makes a report shorter.
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/hid/report_descriptor.h"

namespace {

bool InRange(int length) { return length >= 0 && length <= 0xFFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> descriptor(data, size);
  const orvane::ReportLengths all = orvane::ParseReportDescriptor(descriptor);
  if (!InRange(all.input) || !InRange(all.output) || !InRange(all.feature)) __builtin_trap();

  const orvane::ReportLengths half = orvane::ParseReportDescriptor(descriptor.first(size / 2));
  if (half.input > all.input || half.output > all.output || half.feature > all.feature ||
      (half.numbered && !all.numbered)) {
    __builtin_trap();
  }
  return 0;
}
