#include "sim/capture_replay.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orvane {
namespace {

using namespace std::chrono_literals;

TEST(CaptureReplay, ReplaysARecordedCaptureLoopingAtTheSerialLinkPace) {
  std::string error;
  const auto recorded = LoadCaptureFile(ORVANE_UBX_CAPTURES_DIR "/gpsd_navisys-gr701w.log", error);
  ASSERT_TRUE(recorded) << error;
  ASSERT_EQ(recorded->size(), 33434u);
  CaptureReplay replay(*recorded);
  std::vector<std::uint8_t> out;
  // A millisecond is 11.52 bytes: polling often must not round the pace down.
  for (std::chrono::nanoseconds t = 1ms; t <= 4s; t += 1ms) replay.EmitUntil(t, out);
  ASSERT_EQ(out.size(), 4u * 11520);
  for (std::size_t i = 0; i < out.size(); ++i) {
    ASSERT_EQ(out[i], (*recorded)[i % recorded->size()]) << "byte " << i;
  }
}

TEST(CaptureReplay, AnEmptyCaptureEmitsNothingAndMissingOrEmptyFilesAreRefused) {
  CaptureReplay replay({});
  std::vector<std::uint8_t> out;
  replay.EmitUntil(10s, out);
  EXPECT_TRUE(out.empty());
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / "capture_replay_test";
  std::filesystem::create_directories(folder);
  std::ofstream{folder / "empty.ubx"};
  for (const std::filesystem::path& path : {folder / "missing.ubx", folder / "empty.ubx"}) {
    std::string error;
    EXPECT_FALSE(LoadCaptureFile(path, error)) << path;
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orvane
