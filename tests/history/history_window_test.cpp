#include "window/history/history_window.h"

#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "history/csv_log.h"
#include "support/window_fixture.h"
#include "window/history/stability_view.h"
#include "window/history/time_series_view.h"

namespace orvane {
namespace {

// Every plot shows the first one's time range from the same left edge, every trace drawn.
void ExpectPlots(const HistoryWindow& history) {
  const TimeChart& first = *history.time_series().charts().front();
  for (const TimeChart* chart : history.time_series().charts()) {
    EXPECT_EQ(std::pair(chart->from_ms(), chart->to_ms()),
              std::pair(first.from_ms(), first.to_ms()));
    EXPECT_EQ(chart->PlotArea().left(), first.PlotArea().left());
    for (const TimeChart::Trace& trace : chart->traces()) EXPECT_FALSE(trace.points.empty());
  }
}

class HistoryWindowTest : public WindowTest {
 protected:
  // The window's geometry goes to a scratch place.
  HistoryWindowTest() { QStandardPaths::setTestModeEnabled(true); }

  void TickUntilSamples(std::size_t count) {
    for (int i = 0; i < 100'000 && window_->history().samples().size() < count; ++i) Tick();
    ASSERT_GE(window_->history().samples().size(), count);
  }

  // A window of its own, as for reading a log.
  std::unique_ptr<HistoryWindow> Detached() {
    return std::make_unique<HistoryWindow>(
        window_->history(), [] { return std::string(); }, window_->message());
  }

  QTemporaryDir scratch_;
};

TEST_F(HistoryWindowTest, OneWindowDrawsTheSimulatedClockAndMovesEveryPlotTogether) {
  AddDevice();
  Start();
  TickUntilSamples(40);
  QApplication::setActiveWindow(window_.get());
  QTest::keyClick(window_.get(), Qt::Key_H, Qt::ControlModifier);
  ASSERT_NE(window_->history_window(), nullptr);
  HistoryWindow& history = *window_->history_window();
  Control<QPushButton>("History")->click();
  EXPECT_EQ(window_->history_window(), &history);
  const SampleRing& samples = window_->history().samples();
  const std::int64_t newest = samples.back().time_ms + 1;
  EXPECT_EQ(std::pair(history.from_ms(), history.to_ms()), std::pair(newest - 3'600'000, newest));
  ExpectPlots(history);

  history.tabs().setCurrentIndex(1);
  EXPECT_GE(history.stability().points().size(), 4u);  // octaves 1, 2, 4, 8, ... of 40 points
  history.tabs().setCurrentIndex(2);
  ASSERT_TRUE(history.ExportPlot(scratch_.filePath("sky.png")));
  ASSERT_TRUE(history.ExportCsv(scratch_.filePath("series.csv")));
  std::ifstream csv(scratch_.filePath("series.csv").toStdString());
  EXPECT_EQ(ReadCsv(csv).samples.size(), samples.size());
  history.tabs().setCurrentIndex(0);

  history.SelectSpan(4);  // all; the others are the last hour's kind, as shown on opening
  EXPECT_EQ(std::pair(history.from_ms(), history.to_ms()), std::pair(samples[0].time_ms, newest));

  // The wheel zooms about the pointer, a shift-drag pans.
  history.SelectSpan(0);
  TimeChart& chart = *history.time_series().charts().front();
  const QPoint middle = chart.PlotArea().center();
  QWheelEvent wheel(middle, chart.mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&chart, &wheel);
  EXPECT_NEAR(static_cast<double>(history.to_ms() - history.from_ms()), 0.8 * 600'000, 2);
  EXPECT_NEAR(static_cast<double>(history.from_ms() + history.to_ms()) / 2, newest - 300'000,
              600'000 / chart.PlotColumns());
  const std::int64_t zoomed_from = history.from_ms();
  QTest::mousePress(&chart, Qt::LeftButton, Qt::ShiftModifier, middle);
  QTest::mouseMove(&chart, middle + QPoint(100, 0));
  QTest::mouseRelease(&chart, Qt::LeftButton, Qt::ShiftModifier, middle + QPoint(100, 0));
  const double ms_per_pixel = 0.8 * 600'000 / chart.PlotArea().width();
  EXPECT_NEAR(static_cast<double>(zoomed_from - history.from_ms()), 100 * ms_per_pixel, 2);

  const std::int64_t panned_from = history.from_ms();
  TickUntilSamples(samples.size() + 1);
  history.Refresh();
  EXPECT_EQ(history.from_ms(), panned_from);  // a zoomed view stays where it was put
  history.SelectSpan(0);
  EXPECT_EQ(history.to_ms(), samples.back().time_ms + 1);
}

// The offset's band around its line, and a state strip's row filled only while the state holds.
TEST_F(HistoryWindowTest, APlotPaintsItsBandLineAndStrip) {
  const QColor band(160, 190, 240), line(20, 60, 170), strip(220, 40, 40);
  std::vector<std::vector<PlotPoint>> points(kSeriesFields);
  const auto at = [&](SeriesField field) -> auto& { return points[static_cast<int>(field)]; };
  at(SeriesField::kOffsetLowPpb) = {{0, -1}, {1000, -1}};
  at(SeriesField::kOffsetHighPpb) = {{0, 1}, {1000, 1}};
  at(SeriesField::kOffsetPpb) = {{0, 0}, {1000, 0}};  // the axis fits it: -1 to 1
  at(SeriesField::kGnssSignalLost) = {{0, 0}, {499, 0}, {500, 1}, {1000, 1}};
  TimeChart offset("offset", "ppb", TimeChart::Scale::kLinear, [](std::int64_t, std::int64_t) {});
  offset.AddBand(band, SeriesField::kOffsetLowPpb, SeriesField::kOffsetHighPpb);
  offset.AddLine(line, SeriesField::kOffsetPpb);
  TimeChart state("state", "state", TimeChart::Scale::kStates, [](std::int64_t, std::int64_t) {});
  state.AddStrip(strip, SeriesField::kGnssSignalLost, 0.1);
  for (TimeChart* chart : {&offset, &state}) {
    chart->resize(400, 200);
    chart->Show(0, 1000, points);
  }
  // At fractions of the plot's width and height, from its bottom left as the values go.
  const auto colour = [](TimeChart& chart, double x, double y) {
    const QRect area = chart.PlotArea();
    return chart.grab().toImage().pixelColor(
        area.left() + static_cast<int>(x * area.width()),
        area.top() + static_cast<int>((1 - y) * area.height()));
  };
  EXPECT_EQ(colour(offset, 0.5, 0.75), band);
  EXPECT_EQ(colour(offset, 0.5, 0.5), line);
  EXPECT_EQ(colour(state, 0.75, 0.3), strip);  // LOS's row, while lost
  EXPECT_EQ(colour(state, 0.25, 0.3), QColor(Qt::white));
  EXPECT_EQ(colour(state, 0.75, 0.8), QColor(Qt::white));  // LOL's row
}

// The decimation's bounds, its glitch and the torn last line are the history library's to show.
TEST_F(HistoryWindowTest, ADayOfLogShowsWholeAndTheSizeIsKept) {
  Start();
  constexpr std::int64_t kStart = 1'796'515'200'000;  // 2026-12-06T00:00:00Z
  constexpr int kRows = 86'400 / 2;
  const QString path = scratch_.filePath("G60031.csv");
  std::ofstream out(path.toStdString());
  out << kCsvHeader << '\n';
  for (int i = 0; i < kRows; ++i) out << CsvRow({.time_ms = kStart + i * 2000LL});
  out.close();
  auto history = Detached();
  history->resize(1200, 800);
  ASSERT_TRUE(history->ImportCsv(path));
  EXPECT_EQ(history->source().currentText(), "G60031.csv");
  EXPECT_EQ(history->from_ms(), kStart);
  EXPECT_EQ(history->to_ms(), kStart + (kRows - 1) * 2000LL + 1);
  history->show();
  history->close();
  EXPECT_EQ(Detached()->size(), QSize(1200, 800));  // kept for the next run
}

}  // namespace
}  // namespace orvane
