#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/ubx_messages.h"

namespace orvane {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBarBlack{0, 0, 0};
inline constexpr Rgb kBarGreen{0, 176, 0};
inline constexpr Rgb kBarRed{255, 0, 0};

// One bar of `Sat`, in `PicSat` pixels; bars stand on the picture's bottom edge.
struct SatelliteBar {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  Rgb colour = kBarBlack;
  bool visible = true;
  bool operator==(const SatelliteBar&) const = default;
};

// The signal-strength chart: one bar per receiver channel, drawn from NAV-SVINFO and emptied
// `kRefreshTicks` poll ticks after its last refresh. Bar 0 takes no part in ageing or in the reset
// on loss.
class SatelliteChart {
 public:
  static constexpr int kBarCount = 32;
  static constexpr std::int16_t kRefreshTicks = 500;
  static constexpr float kEmptyHeight = 2;

  // All bars empty, black and visible. `scale_height` is `PicSat`'s inner height in pixels.
  explicit SatelliteChart(float scale_height);

  std::span<const SatelliteBar, kBarCount> Bars() const { return sat_; }
  const SatelliteBar& Bar(int i) const { return sat_[i]; }
  std::int16_t SatAge(int i) const { return sat_age_[i]; }

  // Redraws the bars of the channels the message mentions; channels from 32 up are skipped.
  void Apply(const NavSvInfo& info);
  // One poll tick: bars 1 to 31 count down and empty when their counter reaches 0.
  void Age();
  // Device lost: bars 1 to 31 empty; their counters keep running.
  void ResetOnLoss();
  // Configuration readback: every bar drops to the empty height and keeps its colour.
  void Flatten();

 private:
  void SetHeight(int i, float height);
  void MakeEmpty(int i);

  float scale_height_;
  std::array<SatelliteBar, kBarCount> sat_;
  std::array<std::int16_t, kBarCount> sat_age_{};
};

}  // namespace orvane
