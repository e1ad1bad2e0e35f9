#include "engine/satellite_chart.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Ageing and flattening are checked on the drawn bars through the window; these are the edges
// the window's scale and channel set cannot reach.
constexpr float kScaleHeight = 107;

// The fields the chart reads.
struct Channel {
  std::uint8_t chn, flags, cno;
};

SatelliteBar Bar(int i, float height, Rgb colour) {
  return {8.0f * i + 1, kScaleHeight - height, 7, height, colour, true};
}

TEST(SatelliteChartTest, DrawsChannelsWithABarAndLossEmptiesAllButBarZero) {
  SatelliteChart chart(kScaleHeight);
  NavSvInfo info;
  // Channels 255, 40 and 32 have no bar.
  for (const Channel c : {Channel{3, 0x00, 40},
                          {31, 0x0D, 51},
                          {0, 0x01, 255},
                          {255, 0x01, 40},
                          {40, 0x01, 40},
                          {32, 0x01, 40}}) {
    info.channels[info.num_ch++] = {.chn = c.chn, .flags = c.flags, .cno = c.cno};
  }
  chart.Apply(info);
  for (int i = 0; i < SatelliteChart::kBarCount; ++i) {
    const bool drawn = i == 0 || i == 3 || i == 31;
    EXPECT_EQ(chart.SatAge(i), drawn ? 500 : 0) << i;
    if (!drawn) {
      EXPECT_EQ(chart.Bar(i), Bar(i, 2, kBarBlack)) << i;
    }
  }
  EXPECT_EQ(chart.Bar(3), Bar(3, 32, kBarRed));
  EXPECT_EQ(chart.Bar(31), Bar(31, 40.25f, kBarGreen));
  EXPECT_EQ(chart.Bar(0), Bar(0, 193.25f, kBarGreen));
  chart.Age();
  chart.ResetOnLoss();
  EXPECT_EQ(chart.Bar(3), Bar(3, 2, kBarBlack));
  EXPECT_EQ(chart.SatAge(3), 499);
  EXPECT_EQ(chart.Bar(0).colour, kBarGreen);
}

}  // namespace
}  // namespace orvane
