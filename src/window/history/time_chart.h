#pragma once

#include <QChartView>
#include <QList>
#include <QPoint>
#include <cstdint>
#include <functional>
#include <vector>

#include "history/decimation.h"

class QAbstractAxis;
class QAreaSeries;
class QCategoryAxis;
class QLineSeries;

namespace orvane {

// One plot of the time series over the shared UTC axis. The wheel zooms around the pointer, the
// rubber band zooms to what it spans, dragging with the middle button (or Shift and the left)
// pans; each asks for a new time range through `on_range` instead of moving the axis itself, so
// that every plot follows. The plots stack without legends: their titles name their lines.
class TimeChart : public QChartView {
 public:
  using RangeRequest = std::function<void(std::int64_t from_ms, std::int64_t to_ms)>;
  // The left axis: linear or logarithmic and fitted to the lines, or the state strip's two rows
  // (LOS from 0 to 1, LOL from 1 to 2).
  enum class Scale { kLinear, kLogarithmic, kStates };

  TimeChart(const QString& title, const QString& unit, Scale scale, RangeRequest on_range,
            QWidget* parent = nullptr);

  QLineSeries* AddLine(const QColor& colour);
  // A filled band between two lines, left out when the axis fits its lines.
  QAreaSeries* AddBand(const QColor& colour);

  // Shows [from_ms, to_ms] with round UTC ticks, without asking for it.
  void SetTimeRange(std::int64_t from_ms, std::int64_t to_ms);
  // Fits the value axis to the lines drawn (the state strip's stays).
  void FitValues();
  // Where the plot area would start without PadLeft, and the padding that moves it right, so
  // that plots with narrower value labels line up with the widest.
  qreal UnpaddedLeft() const;
  void PadLeft(int pixels);
  // Pixel columns of the plot area, what decimation draws into.
  int PlotColumns() const;

  static QList<QPointF> ToPoints(const std::vector<PlotPoint>& points, double scale = 1,
                                 double offset = 0);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  double TimeAt(double x) const;
  void Attach(QAbstractSeries* series);

  RangeRequest on_range_;
  Scale scale_;
  QCategoryAxis* time_axis_;
  QAbstractAxis* value_axis_;
  std::vector<QLineSeries*> lines_;
  int padding_ = 0;
  bool setting_range_ = false;
  std::int64_t from_ms_ = 0;
  std::int64_t to_ms_ = 1;
  bool panning_ = false;
  QPoint pan_start_;
  std::int64_t pan_from_ms_ = 0;
};

}  // namespace orvane
