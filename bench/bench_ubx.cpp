// Throughput of the receiver-stream core: the UBX parser alone, and the pure part of one poll tick.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "engine/device_link.h"
#include "engine/label20_caption.h"
#include "engine/satellite_chart.h"
#include "engine/telemetry.h"
#include "engine/ubx_messages.h"
#include "engine/ubx_parser.h"
#include "protocol/status_report.h"
#include "protocol/ubx_frame.h"
#include "protocol/ubx_ids.h"
#include "sim/simulated_backend.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One navigation epoch as a timing receiver sends it: satellite info for 20 channels, clock,
// UTC time, a position fix, and an NMEA sentence that the parser has to skip.
void AppendEpoch(int epoch, Bytes& stream) {
  Bytes svinfo(8 + 12 * 20, 0);
  svinfo[4] = 20;
  for (int n = 0; n < 20; ++n) {
    svinfo[8 + 12 * n] = static_cast<std::uint8_t>(n);
    svinfo[8 + 12 * n + 2] = static_cast<std::uint8_t>(n % 3 == 0 ? 0x0C : 0x0D);
    svinfo[8 + 12 * n + 4] = static_cast<std::uint8_t>(20 + (n * 7 + epoch) % 30);
  }
  Bytes clock(20, static_cast<std::uint8_t>(epoch));
  Bytes time(20, 0);
  time[19] = 0x07;
  const Bytes pvt(92, 0x5A);
  constexpr std::string_view kGga =
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  AppendUbxFrame(kUbxClassNav, kUbxIdNavSvInfo, svinfo, stream);
  AppendUbxFrame(kUbxClassNav, kUbxIdNavClock, clock, stream);
  AppendUbxFrame(kUbxClassNav, kUbxIdNavTimeUtc, time, stream);
  AppendUbxFrame(kUbxClassNav, kUbxIdNavPvt, pvt, stream);
  stream.insert(stream.end(), kGga.begin(), kGga.end());
}

Bytes ReceiverStream(std::size_t size) {
  Bytes stream;
  for (int epoch = 0; stream.size() < size; ++epoch) AppendEpoch(epoch, stream);
  return stream;
}

void BM_UbxParse(benchmark::State& state) {
  const Bytes stream = ReceiverStream(1 << 20);
  std::int64_t frames = 0;
  UbxParser parser([&frames](const UbxFrame&) { ++frames; });
  for (auto _ : state) parser.Parse(stream);
  benchmark::DoNotOptimize(frames);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_UbxParse);

// What one poll tick does with a read of queued input reports once they are read: the engine's
// status and stream decoding into its telemetry, and the chart the window draws from.
class PollTick {
 public:
  PollTick() : link_(backend_, trace_), telemetry_(link_), chart_(107) {}

  void Run(std::span<const std::uint8_t> reads, std::size_t report_length) {
    benchmark::DoNotOptimize(DecodeReportStatus(reads));
    ForEachStreamSlice(reads, report_length, [this](std::span<const std::uint8_t> bytes) {
      telemetry_.Parse(bytes, {}, [this](const UbxMessage& message) { Show(message); });
    });
    chart_.Age();
  }

 private:
  void Show(const UbxMessage& message) {
    if (message.sv_info) {
      chart_.Apply(*message.sv_info);
    } else if (message.nav_clock) {
      benchmark::DoNotOptimize(TcxoPpbText(*message.nav_clock));
      benchmark::DoNotOptimize(TcxoAccText(*message.nav_clock));
    } else if (message.time_utc) {
      benchmark::DoNotOptimize(HostClockTime(*message.time_utc));
    } else {
      benchmark::DoNotOptimize(
          Label20Caption({message.msg_class, message.msg_id, message.payload}));
    }
  }

  ManualClock clock_;
  SimulatedBackend backend_{clock_};
  TraceLog trace_{nullptr, clock_};
  DeviceLink link_;
  Telemetry telemetry_;
  SatelliteChart chart_;
};

// 20 kB of 64-byte input reports, each carrying 61 stream bytes.
void BM_PollTick(benchmark::State& state) {
  constexpr std::size_t kReportLength = 64;
  constexpr std::size_t kReports = 20000 / kReportLength;
  const Bytes stream = ReceiverStream(kReports * (kReportLength - 3));
  Bytes reads;
  for (std::size_t k = 0; k < kReports; ++k) {
    reads.insert(reads.end(), {0, 0, 0x80});
    const auto slice = stream.begin() + static_cast<std::ptrdiff_t>(k * (kReportLength - 3));
    reads.insert(reads.end(), slice, slice + (kReportLength - 3));
  }
  PollTick tick;
  for (auto _ : state) tick.Run(reads, kReportLength);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reads.size()));
}
BENCHMARK(BM_PollTick)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
