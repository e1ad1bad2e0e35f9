#include "sim/command_check.h"

#include <gtest/gtest.h>

#include "support/fake_receiver.h"

namespace orvane {
namespace {

std::vector<std::uint8_t> With(std::vector<std::uint8_t> report, std::size_t at,
                               std::uint8_t value) {
  report[at] = value;
  return report;
}

// Reports as the program sends them are checked for conformity by the window fault tests,
// which run every operation and expect no violation.
TEST(CommandCheck, EachMalformedReportIsOneViolation) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> report;
  } cases[] = {
      {"unknown command", Command(7)},
      {"report shorter than the device's", Command(1, {1}, 63)},
      {"report longer than the device's", Command(1, {1}, 65)},
      {"report ID", With(Command(1, {1}), 0, 1)},
      {"switch neither 0 nor 1", Command(1, {2})},
      {"drive index above 3", Command(3, {4})},
      {"byte past the payload", With(Command(3, {1}), 63, 1)},
      {"GPS 0", With(With(With(FactoryPllCommand(), 2, 0), 3, 0), 4, 0)},
      {"N31 above 2^19", With(FactoryPllCommand(), 7, 0x08)},
      {"N2_HS - 4 above 7", With(FactoryPllCommand(), 8, 8)},
      {"odd N2_LS", With(FactoryPllCommand(), 9, 0xE0)},
      {"N1_HS - 4 above 7", With(FactoryPllCommand(), 12, 8)},
      {"odd NC2_LS", With(FactoryPllCommand(), 16, 0x2E)},
      {"unused PLL byte", With(FactoryPllCommand(), 19, 1)},
      {"not a CFG-MSG", Command(8, {0x06, 0x02, 8, 0, 0x01, 0x30, 10})},
      {"rate on port 1", Command(8, {0x06, 0x01, 8, 0, 0x01, 0x30, 10, 1})},
      {"reference sub-command", Command(10, {2})},
      {"correction above 7500", Command(11, {0x4D, 0x1D, 1})},
      {"correction without store byte", Command(11, {0xFF, 0xFF, 0})},
      {"mask bit 7", Command(12, {0x80})},
      {"serial without N", Command(0x53, {0x4F, 'G', '6', '0', '0', '3', '1'})},
      {"serial with a NUL", Command(0x53, {0x4E, 'G', '6', '0', '0', '3'})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckCommandReport(c.report, 64).size(), 1u) << c.what;
  }
}

}  // namespace
}  // namespace orvane
