#pragma once

#include <QFrame>
#include <array>

#include "engine/satellite_chart.h"
#include "engine/ubx_messages.h"

namespace orvane {

// The 32 signal bars (`Sat`) inside the picture box `PicSat`, drawn from the chart model. Each
// change of the model redraws only the bars it changed.
class SatelliteBars {
 public:
  static constexpr int kCount = SatelliteChart::kBarCount;

  explicit SatelliteBars(QFrame* PicSat);

  // Creates elements 1 to 31 as copies of element 0 (start-up).
  void CreateCopies();
  void Apply(const NavSvInfo& info);
  void Age();
  void ResetOnLoss();
  void Flatten();

  const SatelliteChart& chart() const { return chart_; }
  QFrame* bar(int index) const { return Sat_[index]; }

 private:
  void Redraw();
  void Draw(int index);

  QFrame* PicSat_;
  std::array<QFrame*, kCount> Sat_{};
  SatelliteChart chart_;
  std::array<SatelliteBar, kCount> drawn_;
};

}  // namespace orvane
