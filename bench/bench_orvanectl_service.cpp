// `orvanectl show` through a running orvaned, wall time of the whole command: connecting, the
// readback, the subscription and its first poll event, the output. In-process on one simulated
// clock, the service polling it on its own threads as it does in use.
#include <benchmark/benchmark.h>

#include <sstream>

#include "support/running_service.h"
#include "support/service_cli.h"

namespace orvane {
namespace {

void BM_ShowThroughService(benchmark::State& state) {
  testing_support::RunningService service;
  if (!service.WaitServing("G60031")) state.SkipWithError("the service serves no clock");
  SteadyClock clock;
  std::ostringstream out, err;
  const CliEnvironment environment = testing_support::ServiceOnlyEnvironment(
      service.socket(), clock, out, err, [] { return [] { return false; }; });
  for (auto _ : state) {
    out.str("");
    if (RunOrvanectl({"show"}, environment) != 0) state.SkipWithError(err.str().c_str());
  }
}
BENCHMARK(BM_ShowThroughService)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
