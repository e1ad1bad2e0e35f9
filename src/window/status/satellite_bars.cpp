#include "window/status/satellite_bars.h"

#include <cmath>

#include "ui/colours.h"

namespace orvane {
namespace {

QFrame* NewBar(QFrame* parent) {
  auto* bar = new QFrame(parent);
  SetBackgroundColour(bar, Qt::black);  // the bars' design look: solid black
  return bar;
}

int Pixels(float value) { return static_cast<int>(std::lround(value)); }

}  // namespace

// The chart's scale height is that of the drawing area inside the border, in pixels.
SatelliteBars::SatelliteBars(QFrame* PicSat)
    : PicSat_(PicSat), chart_(static_cast<float>(PicSat->contentsRect().height())) {
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

void SatelliteBars::Apply(const NavSvInfo& info) {
  chart_.Apply(info);
  Redraw();
}

void SatelliteBars::Age() {
  chart_.Age();
  Redraw();
}

void SatelliteBars::ResetOnLoss() {
  chart_.ResetOnLoss();
  Redraw();
}

void SatelliteBars::Flatten() {
  chart_.Flatten();
  Redraw();
}

void SatelliteBars::Redraw() {
  for (int i = 0; i < kCount; ++i) {
    if (chart_.Bar(i) != drawn_[i]) Draw(i);
  }
}

void SatelliteBars::Draw(int index) {
  QFrame* bar = Sat_[index];
  if (bar == nullptr) return;  // not created yet
  const SatelliteBar& look = chart_.Bar(index);
  // Coordinates are within the drawing area, which starts inside the border.
  const QPoint origin = PicSat_->contentsRect().topLeft();
  // Rounding the bottom edge rather than the height keeps every bar on the bottom edge.
  const int top = Pixels(look.top);
  bar->setGeometry(origin.x() + Pixels(look.left), origin.y() + top, Pixels(look.width),
                   Pixels(look.top + look.height) - top);
  SetBackgroundColour(bar, QColor(look.colour.r, look.colour.g, look.colour.b));
  bar->setVisible(look.visible);
  drawn_[index] = look;
}

}  // namespace orvane
