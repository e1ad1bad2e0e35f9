// record writes the receiver's frames whole and in order, and nothing else.
#include <filesystem>

#include "cli_fixture.h"
#include "engine/ubx_parser.h"
#include "sim/capture_replay.h"

namespace orvane {
namespace {

using Frame = std::vector<std::uint8_t>;

// Every checksum-valid frame of `bytes` as class, id and payload.
std::vector<Frame> FramesOf(std::span<const std::uint8_t> bytes) {
  std::vector<Frame> frames;
  UbxParser parser([&](const UbxFrame& frame) {
    Frame value = {frame.msg_class, frame.msg_id};
    value.insert(value.end(), frame.payload.begin(), frame.payload.end());
    frames.push_back(std::move(value));
  });
  parser.Parse(bytes);
  return frames;
}

std::vector<std::uint8_t> Load(const std::filesystem::path& path) {
  std::string error;
  return LoadCaptureFile(path, error).value_or(std::vector<std::uint8_t>{});
}

TEST_F(CliTest, RecordingReplaysFrameForFrame) {
  const std::string capture = std::string(ORVANE_UBX_CAPTURES_DIR) + "/gpsd_navisys-gr701w.log";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvanectl_record_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string first = (dir / "first.ubx").string();
  const std::string raw = (dir / "raw.ubx").string();

  ASSERT_EQ(Run({"--sim-ubx", capture, "record", first, "--duration", "2"}), 0) << err_.str();
  ASSERT_EQ(Run({"--sim-ubx", capture, "record", raw, "--duration", "2", "--raw"}), 0);

  // Two seconds at 115200 baud hold about 23 kB of the capture; the frames come out whole and in
  // order, and the recording holds nothing else: a capture that replays as the source did.
  const std::vector<Frame> source = FramesOf(Load(capture));
  const std::vector<std::uint8_t> recorded = Load(first);
  const std::vector<Frame> frames = FramesOf(recorded);
  ASSERT_GT(frames.size(), 100u);
  EXPECT_TRUE(std::equal(frames.begin(), frames.end(), source.begin()));
  std::size_t frame_bytes = 0;
  for (const Frame& frame : frames) frame_bytes += frame.size() + 6;
  EXPECT_EQ(recorded.size(), frame_bytes);

  // The raw one holds the stream as received.
  const std::vector<std::uint8_t> capture_bytes = Load(capture);
  const std::vector<std::uint8_t> raw_bytes = Load(raw);
  EXPECT_TRUE(std::equal(raw_bytes.begin(), raw_bytes.end(), capture_bytes.begin()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orvane
