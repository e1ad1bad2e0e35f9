#include "engine/satellite_chart.h"

namespace orvane {

namespace {
constexpr float kBarPitch = 8;
constexpr float kBarWidth = 7;
}  // namespace

SatelliteChart::SatelliteChart(float scale_height) : scale_height_(scale_height) {
  for (int i = 0; i < kBarCount; ++i) MakeEmpty(i);
}

void SatelliteChart::Apply(const NavSvInfo& info) {
  for (const SvInfoChannel& channel : info.Channels()) {
    if (channel.chn >= kBarCount) continue;
    const bool used = channel.cno > 0 && (channel.flags & kSvInfoUsedForNavigation) != 0;
    sat_[channel.chn].colour = used ? kBarGreen : kBarRed;
    SetHeight(channel.chn, 1.5f * channel.cno / 2 + 2);
    sat_age_[channel.chn] = kRefreshTicks;
  }
}

void SatelliteChart::Age() {
  for (int i = 1; i < kBarCount; ++i) {
    if (sat_age_[i] > 0 && --sat_age_[i] == 0) MakeEmpty(i);
  }
}

void SatelliteChart::ResetOnLoss() {
  for (int i = 1; i < kBarCount; ++i) MakeEmpty(i);
}

void SatelliteChart::Flatten() {
  for (int i = 0; i < kBarCount; ++i) {
    sat_[i].left = kBarPitch * i + 1;
    sat_[i].width = kBarWidth;
    SetHeight(i, kEmptyHeight);
  }
}

void SatelliteChart::SetHeight(int i, float height) {
  sat_[i].height = height;
  sat_[i].top = scale_height_ - height;
}

void SatelliteChart::MakeEmpty(int i) {
  sat_[i] = SatelliteBar{
      .left = kBarPitch * i + 1, .width = kBarWidth, .colour = kBarBlack, .visible = true};
  SetHeight(i, kEmptyHeight);
}

}  // namespace orvane
