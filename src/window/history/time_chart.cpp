#include "window/history/time_chart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {
namespace {

constexpr int kMaxTicks = 8;
constexpr double kWheelZoomPerNotch = 0.8;
constexpr QMargins kMargins(4, 2, 12, 2);
constexpr int kGap = 4;
// A shorter drag is a click, not a zoom.
constexpr int kMinZoomPixels = 3;
// The strip's rows fill this much of their height, so that LOS and LOL stay apart.
constexpr double kStripHeight = 0.8;
const QColor kGrid(225, 225, 225);
const QColor kFrame(150, 150, 150);

QFont TitleFont(QFont font) {
  font.setBold(true);
  return font;
}

}  // namespace

TimeChart::TimeChart(const QString& title, const QString& unit, Scale scale, RangeRequest on_range,
                     QWidget* parent)
    : QWidget(parent),
      title_(title),
      unit_(unit),
      on_range_(std::move(on_range)),
      scale_(scale),
      rubber_band_(new QRubberBand(QRubberBand::Rectangle, this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumHeight(80);
}

void TimeChart::AddLine(const QColor& colour, SeriesField field) {
  traces_.push_back({.colour = colour, .field = field});
}

void TimeChart::AddBand(const QColor& colour, SeriesField lower, SeriesField upper) {
  traces_.push_back({.colour = colour, .field = upper, .floor_field = lower});
}

void TimeChart::AddStrip(const QColor& colour, SeriesField field, double level) {
  traces_.push_back({.colour = colour, .field = field, .level = level});
}

void TimeChart::Show(std::int64_t from_ms, std::int64_t to_ms,
                     const std::vector<std::vector<PlotPoint>>& by_field) {
  from_ms_ = from_ms;
  to_ms_ = std::max(to_ms, from_ms + 1);
  time_ticks_ = TimeTicks(from_ms_, to_ms_, kMaxTicks);
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (Trace& trace : traces_) {
    trace.points = by_field[static_cast<std::size_t>(trace.field)];
    if (trace.floor_field) trace.floor = by_field[static_cast<std::size_t>(*trace.floor_field)];
    if (!trace.line()) continue;
    for (const PlotPoint& point : trace.points) {
      low = std::min(low, point.value);
      high = std::max(high, point.value);
    }
  }
  scale_.Fit(low, high);
  update();
}

int TimeChart::LabelWidth() const {
  const QFontMetrics metrics(font());
  int widest = 0;
  for (const ValueScale::Tick& tick : scale_.Ticks())
    widest = std::max(widest, metrics.horizontalAdvance(tick.label));
  return widest;
}

void TimeChart::SetLabelWidth(int pixels) {
  if (pixels == label_width_) return;
  label_width_ = pixels;
  update();
}

QRect TimeChart::PlotArea() const {
  const QFontMetrics metrics(font());
  // The unit stands turned on the left, the labels right of it; the title above, times below.
  const int left = kMargins.left() + metrics.height() + kGap + label_width_ + kGap;
  const int top = kMargins.top() + QFontMetrics(TitleFont(font())).height() + kGap;
  const int bottom = height() - kMargins.bottom() - metrics.height() - kGap;
  const int right = width() - kMargins.right();
  return QRect(QPoint(left, top), QPoint(std::max(left, right), std::max(top, bottom)));
}

double TimeChart::YAt(const QRect& area, double value) const {
  return area.top() + area.height() * (1 - scale_.Fraction(value));
}

QPolygonF TimeChart::ToPixels(const QRect& area, const std::vector<PlotPoint>& points, double scale,
                              double offset) const {
  const double per_ms = area.width() / static_cast<double>(to_ms_ - from_ms_);
  QPolygonF polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const PlotPoint& point : points) {
    polygon.append({area.left() + static_cast<double>(point.time_ms - from_ms_) * per_ms,
                    YAt(area, offset + scale * point.value)});
  }
  return polygon;
}

void TimeChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const QRect area = PlotArea();
  PaintAxes(painter, area);
  PaintTraces(painter, area);
}

void TimeChart::PaintAxes(QPainter& painter, const QRect& area) const {
  const QFontMetrics metrics(font());
  const double per_ms = area.width() / static_cast<double>(to_ms_ - from_ms_);
  const QColor text = palette().color(QPalette::WindowText);
  for (const TimeTick& tick : time_ticks_) {
    const double x = area.left() + static_cast<double>(tick.time_ms - from_ms_) * per_ms;
    painter.setPen(kGrid);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    const QString label = QString::fromStdString(tick.label);
    const int label_width = metrics.horizontalAdvance(label);
    // Labels near the ends move inwards rather than being cut.
    const int left = std::clamp(static_cast<int>(x) - label_width / 2, 0, width() - label_width);
    painter.setPen(text);
    painter.drawText(QPoint(left, area.bottom() + kGap + metrics.ascent()), label);
  }
  for (const ValueScale::Tick& tick : scale_.Ticks()) {
    const double fraction = scale_.Fraction(tick.value);
    if (fraction < -1e-9 || fraction > 1 + 1e-9) continue;
    const double y = YAt(area, tick.value);
    painter.setPen(kGrid);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    painter.setPen(text);
    const QRect box(area.left() - kGap - label_width_, static_cast<int>(y) - metrics.height() / 2,
                    label_width_, metrics.height());
    painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, tick.label);
  }
  painter.save();
  painter.translate(kMargins.left(), area.center().y());
  painter.rotate(-90);
  painter.drawText(QRect(-area.height() / 2, 0, area.height(), metrics.height()), Qt::AlignCenter,
                   unit_);
  painter.restore();
  painter.setFont(TitleFont(font()));
  painter.drawText(QRect(0, kMargins.top(), width(), area.top()), Qt::AlignHCenter | Qt::AlignTop,
                   title_);
  painter.setFont(font());
  painter.setPen(kFrame);
  painter.drawRect(area);
}

void TimeChart::PaintTraces(QPainter& painter, const QRect& area) const {
  painter.save();
  painter.setClipRect(area);
  for (const Trace& trace : traces_) {
    if (trace.points.empty()) continue;
    if (trace.line()) {
      painter.setPen(QPen(trace.colour, 1));
      painter.setBrush(Qt::NoBrush);
      painter.drawPolyline(ToPixels(area, trace.points));
      continue;
    }
    QPolygonF polygon;
    if (trace.level) {
      polygon = ToPixels(area, trace.points, kStripHeight, *trace.level);
      const double floor = YAt(area, *trace.level);
      polygon << QPointF(polygon.back().x(), floor) << QPointF(polygon.front().x(), floor);
    } else {
      polygon = ToPixels(area, trace.points);
      const QPolygonF floor = ToPixels(area, trace.floor);
      std::copy(floor.rbegin(), floor.rend(), std::back_inserter(polygon));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(trace.colour);
    painter.drawPolygon(polygon);
  }
  painter.restore();
}

double TimeChart::TimeAt(double x) const {
  const QRect area = PlotArea();
  const double fraction = area.width() > 0 ? (x - area.left()) / area.width() : 0.5;
  return static_cast<double>(from_ms_) + fraction * static_cast<double>(to_ms_ - from_ms_);
}

void TimeChart::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return;
  const double factor = std::pow(kWheelZoomPerNotch, notches);
  const double at = TimeAt(event->position().x());
  on_range_(static_cast<std::int64_t>(at - (at - static_cast<double>(from_ms_)) * factor),
            static_cast<std::int64_t>(at + (static_cast<double>(to_ms_) - at) * factor));
  event->accept();
}

void TimeChart::mousePressEvent(QMouseEvent* event) {
  const bool pan = event->button() == Qt::MiddleButton ||
                   (event->button() == Qt::LeftButton && event->modifiers() & Qt::ShiftModifier);
  drag_start_ = event->position().toPoint();
  if (pan) {
    drag_ = Drag::kPan;
    pan_from_ms_ = from_ms_;
  } else if (event->button() == Qt::LeftButton) {
    drag_ = Drag::kZoom;
    rubber_band_->setGeometry(QRect(drag_start_.x(), PlotArea().top(), 0, PlotArea().height()));
    rubber_band_->show();
  } else if (event->button() == Qt::RightButton) {
    const std::int64_t half = (to_ms_ - from_ms_) / 2;
    on_range_(from_ms_ - half, to_ms_ + half);
  }
  event->accept();
}

void TimeChart::mouseMoveEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (drag_ == Drag::kZoom) {
    const QRect area = PlotArea();
    rubber_band_->setGeometry(QRect(QPoint(std::min(x, drag_start_.x()), area.top()),
                                    QPoint(std::max(x, drag_start_.x()), area.bottom())));
  } else if (drag_ == Drag::kPan) {
    const double ms_per_pixel =
        static_cast<double>(to_ms_ - from_ms_) / std::max(1, PlotArea().width());
    const auto shift = static_cast<std::int64_t>((x - drag_start_.x()) * ms_per_pixel);
    const std::int64_t span = to_ms_ - from_ms_;
    on_range_(pan_from_ms_ - shift, pan_from_ms_ - shift + span);
  }
  event->accept();
}

void TimeChart::mouseReleaseEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (drag_ == Drag::kZoom) {
    rubber_band_->hide();
    if (std::abs(x - drag_start_.x()) >= kMinZoomPixels) {
      on_range_(static_cast<std::int64_t>(TimeAt(std::min(x, drag_start_.x()))),
                static_cast<std::int64_t>(TimeAt(std::max(x, drag_start_.x()))));
    }
  }
  drag_ = Drag::kNone;
  event->accept();
}

}  // namespace orvane
