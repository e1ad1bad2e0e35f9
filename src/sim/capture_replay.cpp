#include "sim/capture_replay.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace orvane {
namespace {

// Bytes due after `t`, split at the whole seconds so that days of running cannot overflow.
std::int64_t BytesDue(std::chrono::nanoseconds t) {
  if (t.count() <= 0) return 0;
  const auto seconds = std::chrono::floor<std::chrono::seconds>(t);
  const std::int64_t rest_ns = (t - seconds).count();
  return seconds.count() * CaptureReplay::kBytesPerSecond +
         rest_ns * CaptureReplay::kBytesPerSecond / 1'000'000'000;
}

}  // namespace

CaptureReplay::CaptureReplay(std::vector<std::uint8_t> capture) : capture_(std::move(capture)) {}

void CaptureReplay::EmitUntil(std::chrono::nanoseconds since_power_up,
                              std::vector<std::uint8_t>& out) {
  const std::int64_t due = BytesDue(since_power_up);
  if (capture_.empty() || due <= emitted_) return;
  const auto size = static_cast<std::int64_t>(capture_.size());
  while (emitted_ < due) {
    const std::int64_t at = emitted_ % size;
    const std::int64_t count = std::min(due - emitted_, size - at);
    out.insert(out.end(), capture_.begin() + at, capture_.begin() + at + count);
    emitted_ += count;
  }
}

void CaptureReplay::Receive(std::uint8_t, std::uint8_t, std::span<const std::uint8_t>) {}

bool CaptureReplay::HasSignal(std::chrono::nanoseconds) const { return true; }

double CaptureReplay::ClockDriftPpb(std::chrono::nanoseconds) const { return 0.0; }

std::optional<std::vector<std::uint8_t>> LoadCaptureFile(const std::filesystem::path& path,
                                                         std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "Cannot open capture file " + path.string();
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
  if (file.bad()) {
    error = "Cannot read capture file " + path.string();
    return std::nullopt;
  }
  if (bytes.empty()) {
    error = "Capture file " + path.string() + " is empty";
    return std::nullopt;
  }
  return bytes;
}

}  // namespace orvane
