// The server-side cost of one scrape: the metrics text of 9 clocks with 32 satellites each, as
// the HTTP thread makes it (copy of the readings under the lock, then the text), and what the
// poll loop pays to publish one clock's reading.
#include <benchmark/benchmark.h>

#include "daemon/metrics_board.h"

namespace {

orvane::ClockReading BusyClock(int index) {
  orvane::ClockReading reading;
  reading.serial = "G" + std::to_string(60031 + index);
  reading.product = "GNSS Reference Clock";
  reading.version = "1.12";
  reading.up = true;
  reading.pll_locked = true;
  reading.gnss_signal_lost = false;
  reading.signal_loss_count = 3;
  reading.offset_ppb = -342;
  reading.offset_accuracy_ppb = 4.172;
  reading.clock_bias_seconds = -1.421e-06;
  reading.time_accuracy_seconds = 3.3e-08;
  reading.satellites_used = 24;
  reading.satellites_seen = 32;
  reading.output_frequency_hz = 1e7;
  reading.pll_reference_frequency_hz = 25999991.114886276;
  reading.last_utc_seconds = 1796598861;
  reading.reconnects = 1;
  reading.chrony_samples = 86400;
  reading.alarms = {{"lock_lost", 1}, {"lock_regained", 2}, {"device_back", 1}};
  for (int sv = 1; sv <= 32; ++sv) {
    reading.satellites.push_back({.gnss = sv <= 16 ? "gps" : "galileo",
                                  .sv = sv,
                                  .cn0_dbhz = 30 + sv % 20,
                                  .elevation_degrees = sv * 2});
  }
  return reading;
}

void BM_ScrapeNineClocks32Satellites(benchmark::State& state) {
  orvane::MetricsBoard board;
  for (int i = 0; i < 9; ++i) board.Publish(BusyClock(i));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = board.Text();
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ScrapeNineClocks32Satellites)->Unit(benchmark::kMicrosecond);

void BM_PublishOneReading(benchmark::State& state) {
  orvane::MetricsBoard board;
  const orvane::ClockReading reading = BusyClock(0);
  for (auto _ : state) board.Publish(reading);
}
BENCHMARK(BM_PublishOneReading)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
