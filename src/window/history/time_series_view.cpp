#include "window/history/time_series_view.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "history/decimation.h"

namespace orvane {

TimeSeriesView::TimeSeriesView(TimeChart::RangeRequest on_range, QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const auto add_chart = [&](const QString& title, const QString& unit, int stretch,
                             TimeChart::Scale scale = TimeChart::Scale::kLinear) {
    auto* chart = new TimeChart(title, unit, scale, on_range, this);
    layout->addWidget(chart, stretch);
    charts_.push_back(chart);
    return chart;
  };
  const auto add_line = [&](TimeChart* chart, const QColor& colour, SeriesField field) {
    traces_.push_back({chart->AddLine(colour), field});
  };

  TimeChart* offset =
      add_chart(QStringLiteral("Oscillator offset against GNSS time, with its accuracy as a band"),
                QStringLiteral("ppb"), 4);
  QAreaSeries* band = offset->AddBand(QColor(160, 190, 240, 140));
  traces_.push_back({band->lowerSeries(), SeriesField::kOffsetLowPpb});
  traces_.push_back({band->upperSeries(), SeriesField::kOffsetHighPpb});
  add_line(offset, QColor(20, 60, 170), SeriesField::kOffsetPpb);
  add_line(add_chart(QStringLiteral("Receiver clock bias"), QStringLiteral("ns"), 2),
           QColor(150, 60, 0), SeriesField::kClockBiasNs);
  // Without a fix the receiver reports hundreds of milliseconds; with one, tens of nanoseconds.
  add_line(add_chart(QStringLiteral("Time accuracy"), QStringLiteral("ns"), 2,
                     TimeChart::Scale::kLogarithmic),
           QColor(0, 120, 60), SeriesField::kTimeAccuracyNs);
  TimeChart* satellites = add_chart(QStringLiteral("Satellites used (green) and seen (grey)"),
                                    QStringLiteral("count"), 2);
  add_line(satellites, QColor(0, 150, 0), SeriesField::kSatellitesUsed);
  add_line(satellites, QColor(130, 130, 130), SeriesField::kSatellitesSeen);
  add_line(
      add_chart(QStringLiteral("Mean C/N0 of the satellites used"), QStringLiteral("dB-Hz"), 2),
      QColor(190, 100, 0), SeriesField::kMeanCno);

  TimeChart* state = add_chart(QStringLiteral("No GNSS signal (LOS) and PLL not locked (LOL)"),
                               QStringLiteral("state"), 2, TimeChart::Scale::kStates);
  const auto add_strip = [&](const QColor& colour, SeriesField field, double level) {
    QAreaSeries* area = state->AddBand(colour);
    traces_.push_back({area->upperSeries(), field, 0.8, level});
    strip_floors_.push_back({area->lowerSeries(), area->upperSeries(), level});
  };
  add_strip(QColor(220, 40, 40), SeriesField::kGnssSignalLost, 0.1);
  add_strip(QColor(230, 150, 0), SeriesField::kPllUnlocked, 1.1);
}

void TimeSeriesView::Draw(const SampleRing& ring, std::uint8_t clock, std::int64_t from_ms,
                          std::int64_t to_ms) {
  for (TimeChart* chart : charts_) chart->SetTimeRange(from_ms, to_ms);
  std::vector<SeriesField> fields;
  for (const Trace& trace : traces_) fields.push_back(trace.field);
  // The plots line up, so one width serves them all.
  const std::vector<std::vector<PlotPoint>> points =
      DecimateMinMax(ring, clock, fields, from_ms, to_ms, charts_.front()->PlotColumns());
  for (std::size_t i = 0; i < traces_.size(); ++i) {
    const Trace& trace = traces_[i];
    trace.series->replace(TimeChart::ToPoints(points[i], trace.scale, trace.offset));
  }
  for (const auto& [floor, top, level] : strip_floors_) {
    QList<QPointF> points = top->points();
    for (QPointF& point : points) point.setY(level);
    floor->replace(points);
  }
  for (TimeChart* chart : charts_) chart->FitValues();
  AlignPlotAreas();
}

void TimeSeriesView::AlignPlotAreas() {
  qreal widest = 0;
  for (const TimeChart* chart : charts_) widest = std::max(widest, chart->UnpaddedLeft());
  for (TimeChart* chart : charts_)
    chart->PadLeft(static_cast<int>(std::lround(widest - chart->UnpaddedLeft())));
}

}  // namespace orvane
