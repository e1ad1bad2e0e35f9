// A recorded receiver stream, replayed by a simulated clock at the serial link's pace and read
// through the engine's poll: every frame arrives once, in order, whatever report boundaries and
// ticks cut it into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ubx_parser.h"
#include "sim/capture_replay.h"
#include "support/session_rig.h"

namespace orvane {
namespace {

using Frame = std::tuple<std::uint8_t, std::uint8_t, Bytes>;

TEST(CapturePoll, EveryFrameOfARecordedStreamArrivesOnceAndInOrder) {
  std::string error;
  const auto capture =
      LoadCaptureFile(std::string(ORVANE_UBX_CAPTURES_DIR) + "/gpsd_ublox-8-time.log", error);
  ASSERT_TRUE(capture) << error;
  std::vector<Frame> expected;
  UbxParser direct([&](const UbxFrame& f) {
    expected.emplace_back(f.msg_class, f.msg_id, Bytes(f.payload.begin(), f.payload.end()));
  });
  direct.Parse(*capture);
  ASSERT_GT(expected.size(), 20u);

  SessionRig rig;
  ClockDeviceOptions options;
  options.make_receiver = [&] { return std::make_unique<CaptureReplay>(*capture); };
  rig.AddClock(options);
  ClockSession& session = rig.session;
  ASSERT_TRUE(session.Connect("").open.opened);
  std::vector<Frame> received;
  // Twice through the capture's length at 11520 bytes/s, polled every 50 ms.
  const int ticks = static_cast<int>(2 * capture->size() / 576) + 20;
  for (int i = 0; i < ticks; ++i) {
    rig.clock.Advance(std::chrono::milliseconds(50));
    session.Poll({.message = [&](const UbxMessage& m) {
      received.emplace_back(m.msg_class, m.msg_id, Bytes(m.payload.begin(), m.payload.end()));
    }});
  }
  ASSERT_GE(received.size(), expected.size() + 1);  // at least once round
  // The replay loops: the stream read is the capture's frames over and over.
  for (std::size_t i = 0; i < received.size(); ++i) {
    ASSERT_EQ(received[i], expected[i % expected.size()]) << "frame " << i;
  }
}

}  // namespace
}  // namespace orvane
