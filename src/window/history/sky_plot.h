#pragma once

#include <QChartView>
#include <QPointF>
#include <vector>

#include "history/sky_view.h"

class QPolarChart;
class QCategoryAxis;
class QGraphicsSimpleTextItem;

namespace orvane {

// The sky as the antenna sees it: azimuth round the circle (north up, clockwise), elevation from
// the horizon at the rim to the zenith in the middle. Satellites coloured by C/N0, round when
// used, square when not, each with its number beside it; grey trails where they were over the last
// six hours.
class SkyPlot : public QChartView {
 public:
  explicit SkyPlot(QWidget* parent = nullptr);

  void Draw(const SkyView& sky);

 private:
  // Puts the satellites' numbers beside their markers, wherever the plot area now lies.
  void PlaceLabels();

  QPolarChart* polar_;
  QCategoryAxis* azimuth_axis_;
  QCategoryAxis* elevation_axis_;
  struct Label {
    QGraphicsSimpleTextItem* item;
    QPointF position;  // azimuth, radius
  };
  std::vector<Label> labels_;
};

}  // namespace orvane
