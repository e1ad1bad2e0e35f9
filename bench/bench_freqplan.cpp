// Output-frequency search: the merging search the window uses against the straightforward
// reference, from near the lowest accepted frequency up to 10 MHz. Then the "No exact setting"
// message after a search, which asks every candidate whether it has an exact setting.

#include <benchmark/benchmark.h>

#include <string>

#include "engine/frequency_programming.h"
#include "engine/number_text.h"
#include "freqplan/output_search.h"
#include "freqplan/reference_search.h"

namespace orvane {
namespace {

struct BenchFrequency {
  double fout;
  bool reference_fits;  // at most 32,767 candidates, so the reference can finish
};

constexpr BenchFrequency kFrequencies[] = {
    {364.2, true}, {388, true},    {920, false},  // among the slowest: ~650k candidates
    {1000, false}, {100000, true}, {10000000, true}};

void BM_Search(benchmark::State& state, double fout) {
  CandidateTable table;
  for (auto _ : state) {
    FindOutputCandidates(fout, table);
    benchmark::DoNotOptimize(table.HalfVcoTable.data());
  }
  state.counters["candidates"] = static_cast<double>(table.CandidateCount());
}

void BM_SearchStraight(benchmark::State& state, double fout) {
  ReferenceSearch reference;
  for (auto _ : state) {
    if (!reference.Run(fout)) {
      state.SkipWithError("more candidates than the reference holds");
      return;
    }
    benchmark::DoNotOptimize(reference.HalfVcoTable().data());
  }
  state.counters["candidates"] = static_cast<double>(reference.HalfVcoTable().size());
}

// Frequencies none of whose candidates has an exact setting, so the message asks them all:
// 657,568 candidates, the most of any; a prime; near the lowest.
constexpr double kNoSettingFrequencies[] = {1234.5678901, 9999991, 364.2};

void BM_NoExactSettingText(benchmark::State& state, double fout) {
  CandidateTable table;
  FindOutputCandidates(fout, table);
  for (auto _ : state) benchmark::DoNotOptimize(NoExactSettingText(fout, table, 0));
  state.counters["candidates"] = static_cast<double>(table.CandidateCount());
}

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
  for (const orvane::BenchFrequency& frequency : orvane::kFrequencies) {
    const std::string hz = orvane::FormatGeneral(frequency.fout);
    benchmark::RegisterBenchmark(("BM_Search/" + hz).c_str(), orvane::BM_Search, frequency.fout)
        ->Unit(benchmark::kMillisecond);
    if (frequency.reference_fits) {
      benchmark::RegisterBenchmark(("BM_SearchStraight/" + hz).c_str(), orvane::BM_SearchStraight,
                                   frequency.fout)
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (const double fout : orvane::kNoSettingFrequencies) {
    benchmark::RegisterBenchmark(("BM_NoExactSettingText/" + orvane::FormatGeneral(fout)).c_str(),
                                 orvane::BM_NoExactSettingText, fout)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
