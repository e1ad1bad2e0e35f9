#include "sim/capture_replay.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace orvane {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

TEST(CaptureReplay, EmitsAtTheSerialLinkPaceWithoutLosingFractions) {
  CaptureReplay replay(std::vector<std::uint8_t>(100000, 0x55));
  std::vector<std::uint8_t> out;
  const struct {
    nanoseconds t;
    std::size_t total;
  } steps[] = {{0ns, 0},    {86805ns, 0},    {86806ns, 1},      {86806ns, 1},
               {1s, 11520}, {1500ms, 17280}, {2s + 1ns, 23040}, {3s - 1ns, 34559}};
  for (const auto& step : steps) {
    replay.EmitUntil(step.t, out);
    EXPECT_EQ(out.size(), step.total) << step.t.count() << " ns";
  }
  // A millisecond is 11.52 bytes: polling often must not round the pace down.
  for (nanoseconds t = 3s + 1ms; t <= 4s; t += 1ms) replay.EmitUntil(t, out);
  EXPECT_EQ(out.size(), 46080u);
}

TEST(CaptureReplay, EmptyCaptureEmitsNothing) {
  CaptureReplay replay({});
  std::vector<std::uint8_t> out;
  replay.EmitUntil(10s, out);
  EXPECT_TRUE(out.empty());
}

TEST(CaptureReplay, ReplaysARecordedCaptureByteForByteAndLoops) {
  const std::string path = ORVANE_UBX_CAPTURES_DIR "/gpsd_navisys-gr701w.log";
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> recorded{std::istreambuf_iterator<char>(file),
                                           std::istreambuf_iterator<char>()};
  ASSERT_EQ(recorded.size(), 33434u);
  std::string error;
  std::optional<std::vector<std::uint8_t>> loaded = LoadCaptureFile(path, error);
  ASSERT_TRUE(loaded) << error;
  ASSERT_EQ(*loaded, recorded);
  auto replay = std::make_unique<CaptureReplay>(std::move(*loaded));
  std::vector<std::uint8_t> out;
  for (nanoseconds t = 50ms; t <= 4s; t += 50ms) replay->EmitUntil(t, out);
  ASSERT_EQ(out.size(), 46080u);
  for (std::size_t i = 0; i < out.size(); ++i) {
    ASSERT_EQ(out[i], recorded[i % recorded.size()]) << "byte " << i;
  }
}

TEST(CaptureReplay, LoadReportsMissingAndEmptyFiles) {
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / "capture_replay_test";
  std::filesystem::create_directories(folder);
  const std::filesystem::path empty = folder / "empty.ubx";
  std::ofstream{empty};
  for (const std::filesystem::path& path : {folder / "missing.ubx", empty}) {
    std::string error;
    EXPECT_FALSE(LoadCaptureFile(path, error)) << path;
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orvane
