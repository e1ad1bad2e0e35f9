#include "daemon/clock_metrics.h"

#include <gtest/gtest.h>

#include <thread>

#include "daemon/metrics_board.h"

namespace orvane {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(ClockMetricsText, UnknownValuesLeftOutAndLabelsEscaped) {
  ClockReading odd;
  odd.serial = "G6\"0\\3\n1";
  odd.up = true;
  odd.satellites = {{.gnss = "glonass", .sv = 7, .cn0_dbhz = 41, .elevation_degrees = -2}};
  ClockReading lost;
  lost.serial = "G60032";
  lost.product = "Horloge \xE9";  // a device's low byte
  lost.offset_ppb = -342.5;
  lost.holdover_seconds = 12.5;
  lost.samples_held = {{"signal_lost", 61}};
  const std::string text = ClockMetricsText(std::vector{odd, lost});
  const std::string serial = "serial=\"G6\\\"0\\\\3\\n1\"";
  for (const std::string& line : std::vector<std::string>{
           "orvane_up{" + serial + "} 1", "orvane_up{serial=\"G60032\"} 0",
           "orvane_oscillator_offset_ppb{serial=\"G60032\"} -342.5",
           "orvane_info{serial=\"G60032\",product=\"Horloge \xC3\xA9\",version=\"\"} 1",
           "orvane_holdover_seconds{serial=\"G60032\"} 12.5",
           "orvane_chrony_samples_held_total{serial=\"G60032\",reason=\"signal_lost\"} 61",
           "orvane_satellite_elevation_degrees{" + serial + ",gnss=\"glonass\",sv=\"7\"} -2"}) {
    EXPECT_EQ(Count(text, line + "\n"), 1u) << line << "\n" << text;
  }
  EXPECT_EQ(Count(text, "orvane_pll_locked{"), 0u);  // neither clock reported it
}

// The poll loop publishes while the HTTP threads read (run under the thread sanitizer).
TEST(MetricsBoard, PublishAndRemoveWhileScraped) {
  MetricsBoard board;
  std::thread scraper([&] {
    for (int i = 0; i < 200; ++i) EXPECT_EQ(board.Text().find("G60033"), std::string::npos);
  });
  ClockReading first, second;
  first.serial = "G60031", second.serial = "G60032";
  for (int i = 0; i < 200; ++i) {
    first.chrony_samples = i;
    board.Publish(first);
    board.Publish(second);
    board.Remove("G60032");
  }
  scraper.join();
  EXPECT_NE(board.Text().find("orvane_chrony_samples_total{serial=\"G60031\"} 199\n"),
            std::string::npos);
  EXPECT_EQ(board.Text().find("G60032"), std::string::npos);
}

}  // namespace
}  // namespace orvane
