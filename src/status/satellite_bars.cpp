#include "status/satellite_bars.h"

#include <cmath>

namespace orvane {
namespace {

QFrame* NewBar(QFrame* parent) {
  auto* bar = new QFrame(parent);
  bar->setAutoFillBackground(true);
  QPalette palette = bar->palette();
  palette.setColor(QPalette::Window, Qt::black);  // the bars' design look: solid black
  bar->setPalette(palette);
  return bar;
}

}  // namespace

SatelliteBars::SatelliteBars(QFrame* PicSat) : PicSat_(PicSat) {
  Sat_[0] = NewBar(PicSat_);
  Sat_[0]->setObjectName(QStringLiteral("Sat0"));
}

void SatelliteBars::CreateCopies() {
  for (int i = 1; i < kCount; ++i) {
    if (Sat_[i] != nullptr) continue;
    Sat_[i] = NewBar(PicSat_);
    Sat_[i]->setPalette(Sat_[0]->palette());
    Sat_[i]->setObjectName(QStringLiteral("Sat%1").arg(i));
  }
}

int SatelliteBars::ScaleHeight() const { return PicSat_->contentsRect().height(); }

void SatelliteBars::Place(int index, double left, double top, double width, double height) {
  // Coordinates are within the drawing area, which starts inside the border.
  const QPoint origin = PicSat_->contentsRect().topLeft();
  Sat_[index]->setGeometry(origin.x() + static_cast<int>(std::lround(left)),
                           origin.y() + static_cast<int>(std::lround(top)),
                           static_cast<int>(std::lround(width)),
                           static_cast<int>(std::lround(height)));
  Sat_[index]->show();
}

void SatelliteBars::SetFill(int index, const QColor& colour) {
  QPalette palette = Sat_[index]->palette();
  palette.setColor(QPalette::Window, colour);
  Sat_[index]->setPalette(palette);
}

}  // namespace orvane
