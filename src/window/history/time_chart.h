#pragma once

#include <QColor>
#include <QPoint>
#include <QPolygonF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "history/decimation.h"
#include "history/series_field.h"
#include "history/time_ticks.h"
#include "window/history/value_scale.h"

class QRubberBand;

namespace orvane {

// One plot of the time series over the shared UTC axis, painted directly from the decimated
// points: a day at 4 Hz redraws within a frame. The wheel zooms around the pointer, the rubber
// band (left button) zooms to what it spans, the right button zooms out, dragging with the middle
// button (or Shift and the left) pans; each asks for a new time range through `on_range` instead
// of moving the axis itself, so that every plot follows. The plots stack without legends: their
// titles name their lines.
class TimeChart : public QWidget {
 public:
  using RangeRequest = std::function<void(std::int64_t from_ms, std::int64_t to_ms)>;
  using Scale = ValueScale::Kind;

  // What the plot draws of one field: a line; a band filled down to another field's line; or a
  // row of the state strip, filled from `level` up to `level` + 0.8 × the field's 0 or 1.
  struct Trace {
    QColor colour;
    SeriesField field;
    std::optional<SeriesField> floor_field = {};
    std::optional<double> level = {};
    std::vector<PlotPoint> points = {};
    std::vector<PlotPoint> floor = {};
    bool line() const { return !floor_field && !level; }
  };

  TimeChart(const QString& title, const QString& unit, Scale scale, RangeRequest on_range,
            QWidget* parent = nullptr);

  void AddLine(const QColor& colour, SeriesField field);
  // Left out when the axis fits its lines: a receiver without a fix reports an accuracy that
  // would flatten everything else.
  void AddBand(const QColor& colour, SeriesField lower, SeriesField upper);
  void AddStrip(const QColor& colour, SeriesField field, double level);

  // Shows [from_ms, to_ms] with round UTC ticks, without asking for it, and the traces' fields of
  // `by_field` (decimated points, indexed by SeriesField), the value axis fitted to the lines.
  void Show(std::int64_t from_ms, std::int64_t to_ms,
            const std::vector<std::vector<PlotPoint>>& by_field);
  // The width the value labels need, and the one they get: the plots take the widest, so that
  // their time axes line up.
  int LabelWidth() const;
  void SetLabelWidth(int pixels);
  QRect PlotArea() const;
  // Pixel columns of the plot area, what decimation draws into.
  int PlotColumns() const { return PlotArea().width(); }
  std::int64_t from_ms() const { return from_ms_; }
  std::int64_t to_ms() const { return to_ms_; }
  const std::vector<Trace>& traces() const { return traces_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  double TimeAt(double x) const;
  double YAt(const QRect& area, double value) const;
  QPolygonF ToPixels(const QRect& area, const std::vector<PlotPoint>& points, double scale = 1,
                     double offset = 0) const;
  void PaintAxes(QPainter& painter, const QRect& area) const;
  void PaintTraces(QPainter& painter, const QRect& area) const;

  QString title_;
  QString unit_;
  RangeRequest on_range_;
  ValueScale scale_;
  std::vector<Trace> traces_;
  std::vector<TimeTick> time_ticks_;
  int label_width_ = 0;
  std::int64_t from_ms_ = 0;
  std::int64_t to_ms_ = 1;
  enum class Drag { kNone, kPan, kZoom } drag_ = Drag::kNone;
  QPoint drag_start_;
  std::int64_t pan_from_ms_ = 0;
  QRubberBand* rubber_band_;
};

}  // namespace orvane
