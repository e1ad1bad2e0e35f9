#include "window/history/cno_map.h"

#include <QPainter>
#include <algorithm>

#include "history/sky_view.h"

namespace orvane {
namespace {

constexpr double kLowCno = 20;
constexpr double kHighCno = 50;

// Red through yellow to green from kLowCno to kHighCno.
QColor CnoColour(double cno) {
  const double fraction = std::clamp((cno - kLowCno) / (kHighCno - kLowCno), 0.0, 1.0);
  return QColor::fromHsvF(fraction / 3.0, 0.85, 0.9);
}

}  // namespace

CnoMap::CnoMap(QWidget* parent) : QWidget(parent) { setMinimumSize(360, 200); }

void CnoMap::Draw(const SkyView* sky) {
  sky_ = sky;
  update();
}

void CnoMap::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  const QFontMetrics metrics = painter.fontMetrics();
  const int line = metrics.height();
  QRect plot = rect().adjusted(metrics.horizontalAdvance(QStringLiteral("90° ")) + 4, 2 * line, -70,
                               -3 * line);
  // Cells twice as wide as high in degrees; taller ones would only stretch the picture.
  plot.setHeight(std::min(plot.height(), plot.width() / 2));
  painter.drawText(QRect(0, 0, width(), line + 4), Qt::AlignCenter,
                   QStringLiteral("Mean C/N0 by azimuth × elevation (10° cells)"));
  const double cell_width = plot.width() / double{SkyView::kAzimuthCells};
  const double cell_height = plot.height() / double{SkyView::kElevationCells};
  for (int azimuth = 0; azimuth < SkyView::kAzimuthCells; ++azimuth) {
    for (int elevation = 0; elevation < SkyView::kElevationCells; ++elevation) {
      const double cno = sky_ ? sky_->CellMeanCno(azimuth, elevation) : 0.0;
      const QRectF cell(plot.left() + azimuth * cell_width,
                        plot.bottom() - (elevation + 1) * cell_height, cell_width, cell_height);
      painter.fillRect(cell, cno > 0 ? CnoColour(cno) : QColor(225, 225, 225));
    }
  }
  painter.setPen(palette().color(QPalette::Text));
  painter.drawRect(plot);
  for (int azimuth = 0; azimuth <= 360; azimuth += 45) {
    const int x = plot.left() + static_cast<int>(azimuth / 360.0 * plot.width());
    painter.drawText(QRect(x - 30, plot.bottom() + 2, 60, line), Qt::AlignCenter,
                     QStringLiteral("%1°").arg(azimuth));
  }
  for (int elevation = 0; elevation <= 90; elevation += 30) {
    const int y = plot.bottom() - static_cast<int>(elevation / 90.0 * plot.height());
    painter.drawText(QRect(0, y - line / 2, plot.left() - 4, line), Qt::AlignRight,
                     QStringLiteral("%1°").arg(elevation));
  }
  painter.drawText(QRect(plot.left(), plot.bottom() + line + 2, plot.width(), line),
                   Qt::AlignCenter, QStringLiteral("azimuth (north = 0°, east = 90°)"));
  // The colour scale.
  const QRect scale(plot.right() + 20, plot.top(), 14, plot.height());
  for (int y = 0; y < scale.height(); ++y) {
    const double cno = kHighCno - (kHighCno - kLowCno) * y / std::max(1, scale.height() - 1);
    painter.fillRect(QRect(scale.left(), scale.top() + y, scale.width(), 1), CnoColour(cno));
  }
  painter.drawText(scale.right() + 3, scale.top() + line / 2, QStringLiteral("50"));
  painter.drawText(scale.right() + 3, scale.bottom(), QStringLiteral("20"));
  painter.drawText(scale.left() - 4, scale.top() - 4, QStringLiteral("dB-Hz"));
}

}  // namespace orvane
