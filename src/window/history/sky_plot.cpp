#include "window/history/sky_plot.h"

#include <QCategoryAxis>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPolarChart>
#include <QScatterSeries>
#include <cstdlib>

namespace orvane {
namespace {

// The radius is the zenith angle, so that the horizon is the rim.
double Radius(int elevation) { return 90.0 - elevation; }

struct MarkerClass {
  const char* name;
  int min_cno;
  QColor colour;
};

// The labels at 90°, 180°, 270° and 360°.
constexpr const char* kCompass[] = {"E", "S", "W", "N"};

const MarkerClass kCnoClasses[] = {
    {"≥40 dB-Hz", 40, QColor(0, 160, 0)},
    {"30-39", 30, QColor(220, 180, 0)},
    {"≤29", 1, QColor(220, 60, 0)},  // "<" would start a tag: legend names are rich text
    {"untracked", 0, QColor(150, 150, 150)},
};

}  // namespace

SkyPlot::SkyPlot(QWidget* parent)
    : QChartView(parent),
      polar_(new QPolarChart),
      azimuth_axis_(new QCategoryAxis),
      elevation_axis_(new QCategoryAxis) {
  polar_->setTitle(QStringLiteral("Sky view (NAV-SVINFO): azimuth, elevation"));
  azimuth_axis_->setRange(0, 360);
  azimuth_axis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  for (int azimuth = 45; azimuth <= 360; azimuth += 45) {
    azimuth_axis_->append(azimuth % 90 == 0 ? QString::fromLatin1(kCompass[azimuth / 90 - 1])
                                            : QStringLiteral("%1°").arg(azimuth),
                          azimuth);
  }
  elevation_axis_->setRange(0, 90);
  elevation_axis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  for (int elevation : {60, 30, 0})
    elevation_axis_->append(QStringLiteral("%1°").arg(elevation), Radius(elevation));
  polar_->addAxis(azimuth_axis_, QPolarChart::PolarOrientationAngular);
  polar_->addAxis(elevation_axis_, QPolarChart::PolarOrientationRadial);
  polar_->legend()->setAlignment(Qt::AlignBottom);
  setChart(polar_);
  setRenderHint(QPainter::Antialiasing);
  connect(polar_, &QChart::plotAreaChanged, this, [this] { PlaceLabels(); });
}

void SkyPlot::PlaceLabels() {
  // Up and right of the marker's centre, clear of a used satellite's circle.
  const QPointF offset(6, -18);
  for (const Label& label : labels_)
    label.item->setPos(polar_->mapToPosition(label.position) + offset);
}

void SkyPlot::Draw(const SkyView& sky) {
  polar_->removeAllSeries();
  const auto attach = [this](QAbstractSeries* series) {
    polar_->addSeries(series);
    series->attachAxis(azimuth_axis_);
    series->attachAxis(elevation_axis_);
  };
  for (const auto& [svid, trail] : sky.trails()) {
    // A polar line knows no wrap-around: a trail crossing north starts a new piece there.
    QLineSeries* piece = nullptr;
    int last_azimuth = 0;
    for (const SkyView::TrailPoint& point : trail) {
      if (!piece || std::abs(point.azimuth - last_azimuth) > 180) {
        piece = new QLineSeries;
        piece->setColor(QColor(170, 170, 170));
        attach(piece);
      }
      piece->append(point.azimuth, Radius(point.elevation));
      last_azimuth = point.azimuth;
    }
  }
  for (const bool used : {true, false}) {
    for (const MarkerClass& cno_class : kCnoClasses) {
      auto* markers = new QScatterSeries;
      markers->setName(
          QStringLiteral("%1 %2").arg(QString::fromUtf8(cno_class.name),
                                      used ? QStringLiteral("used") : QStringLiteral("unused")));
      markers->setColor(cno_class.colour);
      markers->setMarkerShape(used ? QScatterSeries::MarkerShapeCircle
                                   : QScatterSeries::MarkerShapeRectangle);
      markers->setMarkerSize(used ? 13 : 10);
      for (const SkyView::Satellite& satellite : sky.satellites()) {
        const int min_cno = satellite.cno >= 40   ? 40
                            : satellite.cno >= 30 ? 30
                            : satellite.cno > 0   ? 1
                                                  : 0;
        if (satellite.used == used && min_cno == cno_class.min_cno)
          markers->append(satellite.azimuth, Radius(satellite.elevation));
      }
      if (markers->count() == 0) {
        delete markers;
        continue;
      }
      attach(markers);
    }
  }
  for (QLegendMarker* marker : polar_->legend()->markers()) {
    marker->setVisible(qobject_cast<QScatterSeries*>(marker->series()) != nullptr);
  }
  for (const Label& label : labels_) delete label.item;
  labels_.clear();
  for (const SkyView::Satellite& satellite : sky.satellites()) {
    labels_.push_back({new QGraphicsSimpleTextItem(QString::number(satellite.svid), polar_),
                       QPointF(satellite.azimuth, Radius(satellite.elevation))});
  }
  PlaceLabels();
}

}  // namespace orvane
