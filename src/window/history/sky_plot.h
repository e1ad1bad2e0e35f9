#pragma once

#include <QChartView>

#include "history/sky_view.h"

class QPolarChart;
class QCategoryAxis;

namespace orvane {

// The sky as the antenna sees it: azimuth round the circle (north up, clockwise), elevation from
// the horizon at the rim to the zenith in the middle. Satellites coloured by C/N0, round when
// used, square when not; grey trails where they were over the last six hours.
class SkyPlot : public QChartView {
 public:
  explicit SkyPlot(QWidget* parent = nullptr);

  void Draw(const SkyView& sky);

 private:
  QPolarChart* polar_;
  QCategoryAxis* azimuth_axis_;
  QCategoryAxis* elevation_axis_;
};

}  // namespace orvane
