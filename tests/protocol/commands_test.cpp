#include "protocol/commands.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every command's bytes are checked where the session sends them (tests/engine); this is the
// refusal no session can reach: a report too short for its command is left as it was.
TEST(Commands, AReportTooShortForItsCommandIsRefusedUntouched) {
  const Command commands[] = {
      OutputEnableCommand(true),    LedBlinkCommand(false),
      DriveStrengthCommand(3),      PllConfigurationCommand({2875000, 3, 11, 480, 11, 46, 46, 15}),
      RegisterWriteCommand(1, 2),   SleepCommand(),
      ReferenceQueryCommand(),      ReceiverMessageCommand({0x01, 0x30, 10}),
      CorrectionStoreCommand(-1),   ConstellationsCommand(0x41),
      SerialNumberCommand("G60032")};
  for (const Command& command : commands) {
    const std::size_t length = CommandLength(command.code);
    Bytes report(length - 1, 0xEE);
    EXPECT_FALSE(EncodeCommand(command, report)) << int{command.code};
    EXPECT_EQ(report, Bytes(length - 1, 0xEE)) << int{command.code};
    report.assign(length, 0xEE);
    EXPECT_TRUE(EncodeCommand(command, report)) << int{command.code};
  }
}

}  // namespace
}  // namespace orvane
