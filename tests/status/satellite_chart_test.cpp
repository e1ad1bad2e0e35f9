#include "status/satellite_chart.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr float kScaleHeight = 107;

NavSvInfo Channels(std::initializer_list<SvInfoChannel> channels) {
  NavSvInfo info;
  for (const SvInfoChannel& channel : channels) info.channels[info.num_ch++] = channel;
  return info;
}

SatelliteBar Empty(int i) { return {8.0f * i + 1, kScaleHeight - 2, 7, 2, kBarBlack, true}; }

void Tick(SatelliteChart& chart, int ticks) {
  for (int t = 0; t < ticks; ++t) chart.Age();
}

TEST(SatelliteChartTest, DrawsHeightAndColourFromTheChannel) {
  const struct {
    SvInfoChannel channel;
    float height;
    Rgb colour;
  } cases[] = {{{3, 0x01, 40}, 32, kBarGreen},
               {{3, 0x00, 40}, 32, kBarRed},
               {{3, 0x01, 0}, 2, kBarRed},
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

TEST(SatelliteChartTest, BarsEmptyFiveHundredTicksAfterTheirLastRefresh) {
  SatelliteChart chart(kScaleHeight);
  chart.Apply(Channels({{0, 0x01, 40}, {3, 0x01, 40}}));
  Tick(chart, 499);
  EXPECT_EQ(chart.Bar(3).height, 32);
  chart.Age();
  EXPECT_EQ(chart.Bar(3), Empty(3));
  // Bar 0 takes no part in ageing.
  EXPECT_EQ(chart.Bar(0).height, 32);
  EXPECT_EQ(chart.SatAge(0), 500);
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

TEST(SatelliteChartTest, FlattenKeepsColoursUntilTheCounterRunsOut) {
  SatelliteChart chart(kScaleHeight);
  chart.Apply(Channels({{0, 0x01, 40}, {5, 0x00, 20}}));
  chart.Flatten();
  for (int i : {0, 5}) {
    EXPECT_EQ(chart.Bar(i).height, 2);
    EXPECT_EQ(chart.Bar(i).top, kScaleHeight - 2);
  }
  EXPECT_EQ(chart.Bar(0).colour, kBarGreen);
  EXPECT_EQ(chart.Bar(5).colour, kBarRed);
  Tick(chart, 500);
  EXPECT_EQ(chart.Bar(5), Empty(5));
  EXPECT_EQ(chart.Bar(0).colour, kBarGreen);
}

}  // namespace
}  // namespace orvane
