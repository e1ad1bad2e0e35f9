#include "window/history/history_window.h"

#include <QAbstractSeries>
#include <QChart>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <QXYSeries>
#include <filesystem>
#include <fstream>

#include "engine/ubx_parser.h"
#include "history/csv_log.h"
#include "sim/capture_replay.h"
#include "support/window_fixture.h"
#include "window/history/stability_view.h"
#include "window/history/time_series_view.h"

namespace orvane {
namespace {

class HistoryWindowTest : public WindowTest {
 protected:
  static void SetUpTestSuite() {
    WindowTest::SetUpTestSuite();
    QStandardPaths::setTestModeEnabled(true);  // the window's geometry goes to a scratch place
  }

  void TickUntilSamples(std::size_t count) {
    for (int i = 0; i < 100'000 && window_->history().samples().size() < count; ++i) Tick();
    ASSERT_GE(window_->history().samples().size(), count);
  }

  HistoryWindow& OpenWithCtrlH() {
    QApplication::setActiveWindow(window_.get());
    QTest::keyClick(window_.get(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_NE(window_->history_window(), nullptr);
    return *window_->history_window();
  }

  // The points each plot of the time series draws, per series.
  static std::vector<qsizetype> PointsDrawn(const HistoryWindow& history) {
    std::vector<qsizetype> counts;
    for (const TimeChart* chart : history.time_series().charts()) {
      for (QAbstractSeries* series : chart->chart()->series()) {
        if (auto* xy = qobject_cast<QXYSeries*>(series)) counts.push_back(xy->count());
      }
    }
    return counts;
  }

  QTemporaryDir scratch_;
};

TEST_F(HistoryWindowTest, CtrlHAndTheButtonOpenOneWindowThatDrawsTheSimulatedClock) {
  AddDevice();
  Start();
  TickUntilSamples(40);
  HistoryWindow& history = OpenWithCtrlH();
  EXPECT_TRUE(history.isVisible());
  EXPECT_EQ(history.windowTitle(), "History - G60031");
  Control<QPushButton>("History")->click();
  EXPECT_EQ(window_->history_window(), &history);

  const std::int64_t newest = window_->history().samples().back().time_ms;
  EXPECT_EQ(history.to_ms(), newest + 1);
  EXPECT_EQ(history.from_ms(), newest + 1 - 3'600'000);  // the last hour
  for (qsizetype count : PointsDrawn(history)) EXPECT_GT(count, 0);

  history.tabs().setCurrentIndex(1);
  EXPECT_GE(history.stability().points().size(), 4u);  // octaves 1, 2, 4, 8, ... of 40 points
  history.tabs().setCurrentIndex(2);
  for (const char* name : {"sky.png", "sky.svg"}) {
    const QString path = scratch_.filePath(name);
    ASSERT_TRUE(history.ExportPlot(path));
    EXPECT_GT(QFileInfo(path).size(), 1000) << name;
  }
  const QString csv = scratch_.filePath("series.csv");
  ASSERT_TRUE(history.ExportCsv(csv));
  std::ifstream in(csv.toStdString());
  EXPECT_EQ(ReadCsv(in).samples.size(), window_->history().samples().size());
}

TEST_F(HistoryWindowTest, ACaptureStreamReachesTheHistoryMessageForMessage) {
  std::string error;
  const auto capture = LoadCaptureFile(
      std::filesystem::path(ORVANE_UBX_CAPTURES_DIR) / "gpsd_navisys-gr701w.log", error);
  ASSERT_TRUE(capture) << error;
  std::vector<std::int32_t> biases;
  UbxParser parser([&](const UbxFrame& frame) {
    if (frame.msg_class != kUbxClassNav || frame.msg_id != kUbxIdNavClock) return;
    if (const auto clock = DecodeNavClock(frame.payload)) biases.push_back(clock->clk_b);
  });
  parser.Parse(*capture);
  ASSERT_EQ(biases.size(), 80u);

  ClockDeviceOptions options;
  options.make_receiver = [bytes = *capture] { return std::make_unique<CaptureReplay>(bytes); };
  AddDevice(options);
  Start();
  TickUntilSamples(biases.size());
  const SampleRing& samples = window_->history().samples();
  for (std::size_t i = 0; i < biases.size(); ++i) EXPECT_EQ(samples[i].clock_bias_ns, biases[i]);

  window_->History_Click();
  HistoryWindow& history = *window_->history_window();
  for (qsizetype count : PointsDrawn(history)) EXPECT_GT(count, 0);
  history.tabs().setCurrentIndex(2);
  EXPECT_FALSE(window_->history().sky(0).satellites().empty());
}

TEST_F(HistoryWindowTest, ADayOfLogShowsWholeDecimatedWithItsGlitch) {
  Start();
  constexpr std::int64_t kStart = 1'796'515'200'000;  // 2026-12-06T00:00:00Z
  constexpr int kRows = 86'400 / 2;
  const QString path = scratch_.filePath("G60031.csv");
  {
    std::ofstream out(path.toStdString());
    out << kCsvHeader << '\n';
    for (int i = 0; i < kRows; ++i) {
      const HistorySample sample{.time_ms = kStart + i * 2000LL,
                                 .offset_ppb = i == 30'000 ? 900.0f : 250.0f + i % 7,
                                 .offset_accuracy_ppb = 3,
                                 .satellites_used = 8,
                                 .satellites_seen = 11,
                                 .flags = HistorySample::kPllLocked};
      out << CsvRow(sample);
    }
    out << "2026-12-07T00:00:00.000Z,250,3";  // the writer was still at it
  }
  HistoryWindow history(
      window_->history(), [] { return std::string(); }, window_->message());
  history.resize(1200, 800);
  ASSERT_TRUE(history.ImportCsv(path));
  EXPECT_EQ(history.source().currentText(), "G60031.csv");
  EXPECT_EQ(history.from_ms(), kStart);
  EXPECT_EQ(history.to_ms(), kStart + (kRows - 1) * 2000LL + 1);
  const TimeChart& offset = *history.time_series().charts().front();
  const auto* line = qobject_cast<QXYSeries*>(offset.chart()->series().back());
  ASSERT_NE(line, nullptr);
  EXPECT_LE(line->count(), 2 * offset.PlotColumns());
  double highest = 0;
  for (const QPointF& point : line->points()) highest = std::max(highest, point.y());
  EXPECT_EQ(highest, 900.0);

  EXPECT_FALSE(history.ImportCsv(scratch_.filePath("missing.csv")));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].second,
            "No samples could be read from " + scratch_.filePath("missing.csv").toStdString());
}

// The time range each plot's axis shows.
std::vector<std::pair<double, double>> AxisRanges(const HistoryWindow& history) {
  std::vector<std::pair<double, double>> ranges;
  for (const TimeChart* chart : history.time_series().charts()) {
    const auto* axis = qobject_cast<QValueAxis*>(chart->chart()->axes(Qt::Horizontal).front());
    ranges.emplace_back(axis->min(), axis->max());
  }
  return ranges;
}

TEST_F(HistoryWindowTest, SpansWheelAndDragMoveEveryPlotAndResetFollowsAgain) {
  AddDevice();
  Start();
  TickUntilSamples(10);
  window_->History_Click();
  HistoryWindow& history = *window_->history_window();
  const SampleRing& samples = window_->history().samples();
  const std::int64_t newest = samples.back().time_ms + 1;
  for (int span = 0; span < 4; ++span) {
    history.SelectSpan(span);
    EXPECT_EQ(history.from_ms(), newest - HistoryWindow::kSpansMs[span]) << span;
    EXPECT_EQ(history.to_ms(), newest) << span;
  }
  history.SelectSpan(4);  // all
  EXPECT_EQ(history.from_ms(), samples[0].time_ms);

  history.SelectSpan(0);
  TimeChart& chart = *history.time_series().charts().front();
  const QPoint middle = chart.mapFromScene(chart.chart()->plotArea().center());
  QWheelEvent wheel(middle, chart.mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(chart.viewport(), &wheel);
  EXPECT_NEAR(static_cast<double>(history.to_ms() - history.from_ms()), 0.8 * 600'000, 2);
  EXPECT_NEAR(static_cast<double>(history.from_ms() + history.to_ms()) / 2, newest - 300'000,
              600'000 / chart.PlotColumns());
  const std::int64_t zoomed_from = history.from_ms();
  QTest::mousePress(chart.viewport(), Qt::LeftButton, Qt::ShiftModifier, middle);
  QTest::mouseMove(chart.viewport(), middle + QPoint(100, 0));
  QTest::mouseRelease(chart.viewport(), Qt::LeftButton, Qt::ShiftModifier, middle + QPoint(100, 0));
  const double ms_per_pixel = 0.8 * 600'000 / chart.chart()->plotArea().width();
  EXPECT_NEAR(static_cast<double>(zoomed_from - history.from_ms()), 100 * ms_per_pixel, 2);
  const auto ranges = AxisRanges(history);
  for (const auto& range : ranges) EXPECT_EQ(range, ranges.front());

  const std::int64_t panned_from = history.from_ms();
  TickUntilSamples(samples.size() + 1);
  history.Refresh();
  EXPECT_EQ(history.from_ms(), panned_from);  // a zoomed view stays where it was put
  history.SelectSpan(0);
  EXPECT_EQ(history.to_ms(), samples.back().time_ms + 1);
}

TEST_F(HistoryWindowTest, KeepsItsSizeBetweenRuns) {
  Start();
  const auto make = [this] {
    return std::make_unique<HistoryWindow>(
        window_->history(), [] { return std::string(); }, window_->message());
  };
  auto first = make();
  first->resize(910, 640);
  first->show();
  first->close();
  EXPECT_EQ(make()->size(), QSize(910, 640));
}

}  // namespace
}  // namespace orvane
