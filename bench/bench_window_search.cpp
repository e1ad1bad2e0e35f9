// A whole search as the user starts it: Enter in Out1Freq, through the candidate list, the VCO
// and divider choices, to the two PLL configuration reports the simulated device receives.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <memory>

#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "sim/simulated_backend.h"
#include "window/frm_main.h"
#include "window/status/host_clock.h"

namespace orvane {
namespace {

void BM_KeyPressToProgrammed(benchmark::State& state, const char* frequency) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_freqplan";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);

  ManualClock clock;
  TraceLog trace(nullptr, clock);
  SimulatedBackend backend(clock);
  backend.AddDevice();
  SimulatedHostClock host_clock;
  frmMain window(AppServices{backend, trace, nullptr, clock, host_clock});
  window.Form_Load();
  auto* box = window.controls().Get<QLineEdit>(QStringLiteral("Out1Freq"));
  for (auto _ : state) {
    box->setText(QString::fromLatin1(frequency));
    window.search().Out1Freq_KeyPress(13);
  }
  state.counters["reports"] = static_cast<double>(backend.device(0).received().size());
  state.counters["candidates"] = static_cast<double>(window.candidates().table.CandidateCount());
}

BENCHMARK_CAPTURE(BM_KeyPressToProgrammed, 1000, "1000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeyPressToProgrammed, 10000000, "10000000")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane
