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

NavSvInfo Channels(std::initializer_list<Channel> channels) {
  NavSvInfo info;
  for (const Channel& c : channels) {
    info.channels[info.num_ch++] = {.chn = c.chn, .flags = c.flags, .cno = c.cno};
  }
  return info;
}

SatelliteBar Empty(int i) { return {8.0f * i + 1, kScaleHeight - 2, 7, 2, kBarBlack, true}; }

TEST(SatelliteChartTest, DrawsHeightAndColourFromTheChannel) {
  const struct {
    Channel channel;
    float height;
    Rgb colour;
  } cases[] = {{{3, 0x00, 40}, 32, kBarRed},
               {{31, 0x0D, 51}, 40.25f, kBarGreen},
               {{0, 0x01, 255}, 193.25f, kBarGreen}};
  for (const auto& c : cases) {
    SatelliteChart chart(kScaleHeight);
    chart.Apply(Channels({c.channel}));
    const int i = c.channel.chn;
    const SatelliteBar expected = {8.0f * i + 1, kScaleHeight - c.height, 7, c.height, c.colour,
                                   true};
    EXPECT_EQ(chart.Bar(i), expected) << i;
    EXPECT_EQ(chart.SatAge(i), 500);
  }
}

TEST(SatelliteChartTest, StartsEmptyAndSkipsChannelsWithoutABar) {
  SatelliteChart chart(kScaleHeight);
  chart.Apply(Channels({{255, 0x01, 40}, {40, 0x01, 40}, {32, 0x01, 40}}));
  for (int i = 0; i < SatelliteChart::kBarCount; ++i) {
    EXPECT_EQ(chart.Bar(i), Empty(i));
    EXPECT_EQ(chart.SatAge(i), 0);
  }
}

TEST(SatelliteChartTest, LossEmptiesBarsOneUpAndLeavesTheCounters) {
  SatelliteChart chart(kScaleHeight);
  chart.Apply(Channels({{0, 0x01, 40}, {5, 0x00, 20}}));
  chart.Age();
  chart.ResetOnLoss();
  EXPECT_EQ(chart.Bar(5), Empty(5));
  EXPECT_EQ(chart.SatAge(5), 499);
  EXPECT_EQ(chart.Bar(0).colour, kBarGreen);
}

}  // namespace
}  // namespace orvane
