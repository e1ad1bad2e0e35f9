#include "daemon/clock_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iostream>

#include "device/monotonic_clock.h"
#include "history/csv_log.h"

namespace orvane {
namespace {

TEST(ClockLog, AKilledWriterLeavesEveryRowItWroteReadable) {
  const std::string dir = mkdtemp((testing::TempDir() + "clock-log-XXXXXX").data());
  const std::string path = dir + "/G60031-2026-12-06.csv";
  const pid_t writer = fork();
  if (writer == 0) {
    JournalLog journal(std::cerr, false);
    ClockLog log({.dir = dir}, "G60031", journal, {});
    for (int row = 0;; ++row) {  // one NAV-CLOCK a millisecond, its bias counting the rows
      const NavClock nav{.clk_b = row};
      UbxMessage message;
      message.nav_clock = &nav;
      message.received.realtime = ManualClock::kEpoch + std::chrono::milliseconds(row);
      log.Take(message, std::nullopt);
    }
  }
  struct stat file {};
  while (stat(path.c_str(), &file) != 0 || file.st_size < 200'000) usleep(1000);
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  std::ifstream in(path);
  const CsvContents contents = ReadCsv(in);
  EXPECT_EQ(contents.skipped, 0u);
  ASSERT_GT(contents.samples.size(), 1000u);
  for (std::size_t row = 0; row < contents.samples.size(); ++row) {
    ASSERT_EQ(contents.samples[row].clock_bias_ns, static_cast<std::int32_t>(row));
  }
}

TEST(ClockLog, FilesFollowTheReceiversTrustedDayNotTheHosts) {
  using namespace std::chrono;
  const std::string dir = mkdtemp((testing::TempDir() + "clock-log-XXXXXX").data());
  JournalLog journal(std::cerr, false);
  ClockLog log({.dir = dir}, "G60031", journal, sys_days(2026y / December / 1));
  const NavClock nav{};
  for (const auto& [valid, year] :
       {std::pair<std::uint8_t, std::uint16_t>(0x07, 2026), {0x07, 2007}, {0x03, 2025}}) {
    const NavTimeUtc time{.year = year, .month = 12, .day = 6, .valid = valid};
    UbxMessage message;
    message.time_utc = &time;
    message.received.realtime = ManualClock::kEpoch + days(365);  // the host a year ahead
    log.Take(message, std::nullopt);
    message.time_utc = nullptr;
    message.nav_clock = &nav;
    log.Take(message, std::nullopt);
  }
  // A rolled-over date and one not marked valid leave the day as the receiver last gave it.
  std::ifstream in(dir + "/G60031-2026-12-06.csv");
  EXPECT_EQ(ReadCsv(in).samples.size(), 3u);
}

}  // namespace
}  // namespace orvane
