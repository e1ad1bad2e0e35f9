#include "window/history/time_series_view.h"

#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "history/decimation.h"

namespace orvane {
namespace {

constexpr auto kEveryField = [] {
  std::array<SeriesField, kSeriesFields> fields{};
  for (std::size_t f = 0; f < kSeriesFields; ++f) fields[f] = static_cast<SeriesField>(f);
  return fields;
}();

}  // namespace

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

  TimeChart* offset =
      add_chart(QStringLiteral("Oscillator offset against GNSS time, with its accuracy as a band"),
                QStringLiteral("ppb"), 4);
  offset->AddBand(QColor(160, 190, 240, 140), SeriesField::kOffsetLowPpb,
                  SeriesField::kOffsetHighPpb);
  offset->AddLine(QColor(20, 60, 170), SeriesField::kOffsetPpb);
  add_chart(QStringLiteral("Receiver clock bias"), QStringLiteral("ns"), 2)
      ->AddLine(QColor(150, 60, 0), SeriesField::kClockBiasNs);
  // Without a fix the receiver reports hundreds of milliseconds; with one, tens of nanoseconds.
  add_chart(QStringLiteral("Time accuracy"), QStringLiteral("ns"), 2,
            TimeChart::Scale::kLogarithmic)
      ->AddLine(QColor(0, 120, 60), SeriesField::kTimeAccuracyNs);
  TimeChart* satellites = add_chart(QStringLiteral("Satellites used (green) and seen (grey)"),
                                    QStringLiteral("count"), 2);
  satellites->AddLine(QColor(0, 150, 0), SeriesField::kSatellitesUsed);
  satellites->AddLine(QColor(130, 130, 130), SeriesField::kSatellitesSeen);
  add_chart(QStringLiteral("Mean C/N0 of the satellites used"), QStringLiteral("dB-Hz"), 2)
      ->AddLine(QColor(190, 100, 0), SeriesField::kMeanCno);
  TimeChart* state = add_chart(QStringLiteral("No GNSS signal (LOS) and PLL not locked (LOL)"),
                               QStringLiteral("state"), 2, TimeChart::Scale::kStates);
  state->AddStrip(QColor(220, 40, 40), SeriesField::kGnssSignalLost, 0.1);
  state->AddStrip(QColor(230, 150, 0), SeriesField::kPllUnlocked, 1.1);
}

void TimeSeriesView::Draw(const SampleRing& ring, std::uint8_t clock, std::int64_t from_ms,
                          std::int64_t to_ms) {
  // The plots line up, so one width serves them all.
  const std::vector<std::vector<PlotPoint>> points =
      DecimateMinMax(ring, clock, kEveryField, from_ms, to_ms, charts_.front()->PlotColumns());
  int widest = 0;
  for (TimeChart* chart : charts_) {
    chart->Show(from_ms, to_ms, points);
    widest = std::max(widest, chart->LabelWidth());
  }
  for (TimeChart* chart : charts_) chart->SetLabelWidth(widest);
}

}  // namespace orvane
