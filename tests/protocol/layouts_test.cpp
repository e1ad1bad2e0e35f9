// The reports the device sends (configuration, status and the reference reply) and the commands
// it takes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "protocol/commands.h"
#include "protocol/config_report.h"
#include "protocol/pll_reference.h"
#include "protocol/status_report.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A readback as the device sends it: output on, "24mA", the default divider set, BW 3,
// correction -100 ppb, GPS and Glonass.
Bytes ExampleReport() {
  Bytes report = {0x00, 0x01, 0x02, 0x78, 0xDE, 0x2B, 0x02, 0x00, 0x00, 0x07, 0xDF,
                  0x01, 0x00, 0x07, 0x2D, 0x00, 0x00, 0x2D, 0x00, 0x00, 0x00, 0x03};
  report.resize(64);
  report[37] = 0x9C, report[38] = 0xFF, report[39] = 0x41;
  return report;
}

TEST(ConfigReport, DecodesEveryFieldAndEncodesTheSameBytesButNotIntoFewerThan40) {
  const DeviceConfiguration expected = {1, 2, {2875000, 3, 11, 480, 11, 46, 46, 3}, -100, 0x41};
  const Bytes example = ExampleReport();
  EXPECT_EQ(DecodeConfigurationReport(example), expected);
  EXPECT_EQ(DecodeConfigurationReport(std::span(example).first(39)), std::nullopt);

  Bytes encoded(64, 0xEE);  // every byte the encoder does not set must come out 0
  ASSERT_TRUE(EncodeConfigurationReport(expected, encoded));
  EXPECT_EQ(encoded, example);
  encoded.assign(39, 0xEE);
  EXPECT_FALSE(EncodeConfigurationReport(expected, encoded));
  EXPECT_EQ(encoded, Bytes(39, 0xEE));
}

TEST(StatusReport, FlagsAndStreamBytes) {
  const struct {
    ReportStatus status;
    Bytes stream;
    Bytes report;
  } cases[] = {
      {{0, false, false}, {}, {0, 0, 0x00, 0, 0}},
      {{7, true, false}, {}, {0, 7, 0x01, 0, 0}},
      {{255, false, true}, {0xB5}, {0, 255, 0x82, 0xB5, 0}},
      {{1, true, true}, {1, 2, 3}, {0, 1, 0x83, 1, 2}},  // what does not fit is left out
  };
  for (const auto& c : cases) {
    Bytes report(5, 0xEE);
    EncodeStatusReport(c.status, c.stream, report);
    EXPECT_EQ(report, c.report) << int{c.status.signal_loss_count};
    EXPECT_EQ(DecodeReportStatus(report), c.status);
  }
  EXPECT_EQ(DecodeReportStatus(Bytes{0, 1, 0x7F}), (ReportStatus{1, true, true}));
  EXPECT_FALSE(DecodeReportStatus(Bytes{0, 5}));
}

TEST(PllReferenceReply, CountsAreFortyBitsMostSignificantFirst) {
  const Bytes reply = {0, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00};
  const PllReferenceCounts counts = {0xFF01020304, 0x1000};
  EXPECT_EQ(DecodePllReferenceReply(reply), counts);
  EXPECT_FALSE(DecodePllReferenceReply(std::span(reply).first(10)));

  for (std::size_t length : {12, 7}) {
    Bytes encoded(length, 0xEE);
    EncodePllReferenceReply(counts, encoded);
    EXPECT_EQ(encoded, Bytes(reply.begin(), reply.begin() + length));
  }
}

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
