#include "hil/clock_report_descriptor.h"

namespace orvane {
namespace {

// Every field is a byte, so Report Count is the report's data length.
void AddByteReport(std::vector<std::uint8_t>& d, std::uint8_t main_item, int length) {
  const auto data_bytes = static_cast<unsigned>(length - 1);
  d.insert(d.end(), {0x96, static_cast<std::uint8_t>(data_bytes & 0xFF),
                     static_cast<std::uint8_t>(data_bytes >> 8),  // Report Count (16 bits)
                     0x09, 0x01,                                  // Usage 1
                     main_item, 0x02});                           // Data, Variable, Absolute
}

}  // namespace

std::vector<std::uint8_t> ClockReportDescriptor(int feature_report_length,
                                                int input_report_length) {
  std::vector<std::uint8_t> d = {
      0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
      0x09, 0x01,        // Usage 1
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        // Logical Minimum 0
      0x26, 0xFF, 0x00,  // Logical Maximum 255
      0x75, 0x08,        // Report Size 8
  };
  AddByteReport(d, 0x81, input_report_length);    // Input
  AddByteReport(d, 0xB1, feature_report_length);  // Feature
  d.push_back(0xC0);                              // End Collection
  return d;
}

}  // namespace orvane
