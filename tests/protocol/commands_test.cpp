#include "protocol/commands.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Each builder once, as the device reads it; the device's readers are checked through the
// simulated device, which acts on literal reports.
TEST(Commands, EachBuilderWritesTheDevicesLayout) {
  const struct {
    Command command;
    Bytes report;  // exactly CommandLength(code) bytes
  } cases[] = {
      {OutputEnableCommand(true), {0, 1, 1}},
      {LedBlinkCommand(false), {0, 2, 0}},
      {DriveStrengthCommand(3), {0, 3, 3}},
      {PllConfigurationCommand({2875000, 3, 11, 480, 11, 46, 46, 15}),
       {0, 4, 0x78, 0xDE, 0x2B, 2, 0, 0, 7, 0xDF, 1, 0, 7, 0x2D, 0, 0, 0x2D, 0, 0, 0, 15}},
      {RegisterWriteCommand(136, 0x40), {0, 5, 136, 0x40}},
      {SleepCommand(), {0, 6}},
      {ReceiverMessageCommand({0x01, 0x30, 10}), {0, 8, 6, 1, 8, 0, 0x01, 0x30, 10, 0, 0, 0, 0, 0}},
      {ReferenceQueryCommand(), {0, 10, 3}},
      {CorrectionStoreCommand(-500), {0, 11, 0x0C, 0xFE, 1}},
      {ConstellationsCommand(0x41), {0, 12, 0x41}},
      {SerialNumberCommand("G60032"), {0, 0x53, 'N', 'G', '6', '0', '0', '3', '2'}},
  };
  for (const auto& c : cases) {
    const int code = c.command.code;
    EXPECT_EQ(CommandLength(c.command.code), c.report.size()) << code;
    Bytes expected = c.report;
    expected.resize(24);
    Bytes report(24, 0xEE);
    ASSERT_TRUE(EncodeCommand(c.command, report)) << code;
    EXPECT_EQ(report, expected) << code;

    const Bytes untouched(c.report.size() - 1, 0xEE);
    Bytes too_short = untouched;
    EXPECT_FALSE(EncodeCommand(c.command, too_short)) << code;
    EXPECT_EQ(too_short, untouched) << code;
  }
}

}  // namespace
}  // namespace orvane
