// The History window's costs: decimating a day at 4 Hz for a 1000-pixel-wide plot (every series
// of the time series), the whole redraw of that plot (decimation and the paint of every plot), and
// the memory that 7 days of recorded history take.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>

#include "history/decimation.h"
#include "history/history_store.h"
#include "window/history/time_series_view.h"

namespace orvane {
namespace {

constexpr std::int64_t kStart = 1'796'515'200'000;  // 2026-12-06T00:00:00Z
constexpr std::int64_t kDayAt4Hz = 86'400 * 4;
constexpr int kColumns = 1000;

constexpr SeriesField kDrawnFields[] = {SeriesField::kOffsetPpb,      SeriesField::kOffsetLowPpb,
                                        SeriesField::kOffsetHighPpb,  SeriesField::kClockBiasNs,
                                        SeriesField::kTimeAccuracyNs, SeriesField::kSatellitesUsed,
                                        SeriesField::kSatellitesSeen, SeriesField::kMeanCno,
                                        SeriesField::kPllUnlocked,    SeriesField::kGnssSignalLost};

HistorySample Sample(std::int64_t i) {
  const double t = static_cast<double>(i) / 4;
  return {.time_ms = kStart + i * 250,
          .offset_ppb = static_cast<float>(300 + 40 * std::sin(t / 900)),
          .offset_accuracy_ppb = 3.5f,
          .clock_bias_ns = static_cast<std::int32_t>(std::remainder(300 * t, 1e6)),
          .time_accuracy_ns = 25,
          .mean_cno_centi = 4100,
          .satellites_used = 8,
          .satellites_seen = 11,
          .flags = HistorySample::kPllLocked};
}

const SampleRing& DayAt4Hz() {
  static const SampleRing ring = [] {
    SampleRing day(kDayAt4Hz);
    for (std::int64_t i = 0; i < kDayAt4Hz; ++i) day.Push(Sample(i));
    return day;
  }();
  return ring;
}

void BM_DecimateDayAt4Hz(benchmark::State& state) {
  const SampleRing& ring = DayAt4Hz();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        DecimateMinMax(ring, 0, kDrawnFields, kStart, kStart + kDayAt4Hz * 250, kColumns));
  }
  state.counters["samples"] = static_cast<double>(ring.size());
}
BENCHMARK(BM_DecimateDayAt4Hz)->Unit(benchmark::kMillisecond);

// The time series view about 1000 pixels wide: decimation into every series, then the paint.
void BM_RedrawDayAt4Hz(benchmark::State& state) {
  const SampleRing& ring = DayAt4Hz();
  TimeSeriesView view([](std::int64_t, std::int64_t) {});
  view.resize(1160, 900);
  view.Draw(ring, 0, kStart, kStart + kDayAt4Hz * 250);
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    view.Draw(ring, 0, kStart, kStart + kDayAt4Hz * 250 - (state.iterations() % 2));
    QPainter painter(&image);
    view.render(&painter);
  }
  state.counters["plot_columns"] = view.charts().front()->PlotColumns();
}
BENCHMARK(BM_RedrawDayAt4Hz)->Unit(benchmark::kMillisecond);

// 7 days of NAV-CLOCK at `rate` messages per 10 s (4 Hz: 40; the simulated clock: 4), each with
// a NAV-SVINFO of 12 satellites in front, through the store as the window records them.
void BM_MemoryOfSevenDays(benchmark::State& state) {
  const std::int64_t per_ten_seconds = state.range(0);
  const std::int64_t messages = 7 * 86'400 / 10 * per_ten_seconds;
  std::size_t bytes = 0;
  for (auto _ : state) {
    HistoryStore store;
    NavSvInfo info;
    info.num_ch = 12;
    NavClock clock{.clk_b = 0, .clk_d = 300, .t_acc = 25, .f_acc = 3500};
    for (std::int64_t i = 0; i < messages; ++i) {
      const std::int64_t time_ms = kStart + i * 10'000 / per_ten_seconds;
      for (int channel = 0; channel < info.num_ch; ++channel) {
        // Satellites cross the sky by about half a degree a minute.
        info.channels[static_cast<std::size_t>(channel)] = {
            .svid = static_cast<std::uint8_t>(channel + 1),
            .flags = 0x0D,
            .cno = static_cast<std::uint8_t>(30 + channel),
            .elevation = static_cast<std::int8_t>(10 + 6 * channel),
            .azimuth = static_cast<std::int16_t>((30 * channel + time_ms / 120'000) % 360)};
      }
      UbxMessage message;
      message.received.realtime =
          std::chrono::system_clock::time_point(std::chrono::milliseconds(time_ms));
      message.sv_info = &info;
      store.Take("G60031", message, ReportStatus{});
      message.sv_info = nullptr;
      message.nav_clock = &clock;
      store.Take("G60031", message, ReportStatus{});
    }
    bytes = store.samples().MemoryBytes();
    benchmark::DoNotOptimize(store.samples().size());
  }
  state.counters["samples"] = static_cast<double>(messages);
  state.counters["sample_bytes"] = static_cast<double>(bytes);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_MemoryOfSevenDays)->Arg(40)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
  // The redraw paints offscreen: no display is needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
