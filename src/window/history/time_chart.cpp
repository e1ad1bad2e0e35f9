#include "window/history/time_chart.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "history/time_ticks.h"

namespace orvane {
namespace {

constexpr int kMaxTicks = 8;
constexpr double kWheelZoomPerNotch = 0.8;
constexpr QMargins kMargins(4, 2, 12, 2);

QAbstractAxis* MakeValueAxis(TimeChart::Scale scale) {
  switch (scale) {
    case TimeChart::Scale::kLogarithmic: {
      auto* axis = new QLogValueAxis;
      axis->setLabelFormat(QStringLiteral("%.0e"));
      return axis;
    }
    case TimeChart::Scale::kStates: {
      auto* axis = new QCategoryAxis;
      axis->setRange(0, 2);
      axis->append(QStringLiteral("LOS"), 1);
      axis->append(QStringLiteral("LOL"), 2);
      return axis;
    }
    case TimeChart::Scale::kLinear:
      break;
  }
  auto* axis = new QValueAxis;
  axis->setLabelFormat(QStringLiteral("%.5g"));
  // Plots a hundred pixels high have room for three labels; more would be cut to "...".
  axis->setTickCount(3);
  return axis;
}

}  // namespace

TimeChart::TimeChart(const QString& title, const QString& unit, Scale scale, RangeRequest on_range,
                     QWidget* parent)
    : QChartView(parent),
      on_range_(std::move(on_range)),
      scale_(scale),
      time_axis_(new QCategoryAxis),
      value_axis_(MakeValueAxis(scale)) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->hide();
  chart->setMargins(kMargins);
  time_axis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  value_axis_->setTitleText(unit);
  chart->addAxis(time_axis_, Qt::AlignBottom);
  chart->addAxis(value_axis_, Qt::AlignLeft);
  setChart(chart);
  setRubberBand(QChartView::HorizontalRubberBand);
  // The rubber band and the right button's zoom-out move the axis directly: take their range as a
  // request for every plot.
  connect(time_axis_, &QValueAxis::rangeChanged, this, [this](qreal from, qreal to) {
    if (setting_range_) return;
    on_range_(static_cast<std::int64_t>(from), static_cast<std::int64_t>(to));
  });
}

void TimeChart::Attach(QAbstractSeries* series) {
  chart()->addSeries(series);
  series->attachAxis(time_axis_);
  series->attachAxis(value_axis_);
}

QLineSeries* TimeChart::AddLine(const QColor& colour) {
  auto* line = new QLineSeries;
  line->setColor(colour);
  Attach(line);
  lines_.push_back(line);
  return line;
}

QAreaSeries* TimeChart::AddBand(const QColor& colour) {
  auto* area = new QAreaSeries;
  // The area does not own its edges: parented to it, they go with the chart.
  area->setUpperSeries(new QLineSeries(area));
  area->setLowerSeries(new QLineSeries(area));
  area->setColor(colour);
  area->setBorderColor(colour);
  Attach(area);
  // A receiver without a fix reports an accuracy that would flatten everything else.
  return area;
}

void TimeChart::SetTimeRange(std::int64_t from_ms, std::int64_t to_ms) {
  setting_range_ = true;
  from_ms_ = from_ms;
  to_ms_ = std::max(to_ms, from_ms + 1);
  for (const QString& label : time_axis_->categoriesLabels()) time_axis_->remove(label);
  time_axis_->setRange(static_cast<double>(from_ms_), static_cast<double>(to_ms_));
  for (const TimeTick& tick : TimeTicks(from_ms_, to_ms_, kMaxTicks))
    time_axis_->append(QString::fromStdString(tick.label), static_cast<double>(tick.time_ms));
  setting_range_ = false;
}

void TimeChart::FitValues() {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (const QLineSeries* line : lines_) {
    for (const QPointF& point : line->points()) {
      low = std::min(low, point.y());
      high = std::max(high, point.y());
    }
  }
  if (!std::isfinite(low) || scale_ == Scale::kStates) return;
  if (scale_ == Scale::kLogarithmic) {
    if (low <= 0) return;
    auto* axis = static_cast<QLogValueAxis*>(value_axis_);
    // A label every decade while they fit into the low plot, else every third.
    axis->setBase(high / low > 1e4 ? 1000 : 10);
    axis->setRange(low / 1.5, high * 1.5);
    return;
  }
  const double margin = high > low ? 0.05 * (high - low) : std::max(1.0, 0.01 * std::abs(low));
  value_axis_->setRange(low - margin, high + margin);
}

qreal TimeChart::UnpaddedLeft() const {
  // Lays out the labels of the latest range now rather than at the next paint.
  chart()->layout()->activate();
  return chart()->plotArea().left() - padding_;
}

void TimeChart::PadLeft(int pixels) {
  if (pixels == padding_) return;
  padding_ = pixels;
  chart()->setMargins(kMargins + QMargins(pixels, 0, 0, 0));
}

int TimeChart::PlotColumns() const {
  return std::max(1, static_cast<int>(chart()->plotArea().width()));
}

QList<QPointF> TimeChart::ToPoints(const std::vector<PlotPoint>& points, double scale,
                                   double offset) {
  QList<QPointF> list;
  list.reserve(static_cast<qsizetype>(points.size()));
  for (const PlotPoint& point : points)
    list.append(QPointF(static_cast<double>(point.time_ms), offset + scale * point.value));
  return list;
}

double TimeChart::TimeAt(double x) const {
  const QRectF area = chart()->plotArea();
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
  if (!pan) return QChartView::mousePressEvent(event);
  panning_ = true;
  pan_start_ = event->position().toPoint();
  pan_from_ms_ = from_ms_;
  event->accept();
}

void TimeChart::mouseMoveEvent(QMouseEvent* event) {
  if (!panning_) return QChartView::mouseMoveEvent(event);
  const double ms_per_pixel =
      static_cast<double>(to_ms_ - from_ms_) / std::max(1.0, chart()->plotArea().width());
  const auto shift =
      static_cast<std::int64_t>((event->position().x() - pan_start_.x()) * ms_per_pixel);
  const std::int64_t span = to_ms_ - from_ms_;
  on_range_(pan_from_ms_ - shift, pan_from_ms_ - shift + span);
  event->accept();
}

void TimeChart::mouseReleaseEvent(QMouseEvent* event) {
  if (!panning_) return QChartView::mouseReleaseEvent(event);
  panning_ = false;
  event->accept();
}

}  // namespace orvane
