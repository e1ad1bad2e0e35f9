#include "engine/ubx_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/ubx_writer.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Delivered {
  std::uint8_t msg_class;
  std::uint8_t msg_id;
  Bytes payload;
  bool operator==(const Delivered&) const = default;
};

class UbxParserTest : public ::testing::Test {
 protected:
  UbxParser parser_{[this](const UbxFrame& frame) {
    frames_.push_back(
        {frame.msg_class, frame.msg_id, Bytes(frame.payload.begin(), frame.payload.end())});
  }};
  std::vector<Delivered> frames_;
};

const Bytes kPayload = {1, 2, 3, 4, 5};
const Delivered kExpected = {0x01, 0x22, kPayload};

TEST_F(UbxParserTest, DeliversFramesSplitAnywhere) {
  Bytes stream = {0x24, 0xB5, 0x47};  // noise, with a lone sync character
  AppendUbxFrame(0x01, 0x22, kPayload, stream);
  AppendUbxFrame(0x0A, 0x11, {}, stream);
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    frames_.clear();
    parser_.Parse(std::span(stream).first(cut));
    parser_.Parse(std::span(stream).subspan(cut));
    EXPECT_EQ(frames_, (std::vector<Delivered>{kExpected, {0x0A, 0x11, {}}})) << "cut " << cut;
  }
}

TEST_F(UbxParserTest, DropsACorruptedFrameAndDecodesTheNext) {
  for (std::size_t corrupt : {2, 3, 7, 11, 12}) {  // class, id, payload, CK_A, CK_B
    frames_.clear();
    Bytes stream = BuildUbxFrame(0x01, 0x22, kPayload);
    stream[corrupt] ^= 0x10;
    AppendUbxFrame(0x01, 0x22, kPayload, stream);
    parser_.Parse(stream);
    EXPECT_EQ(frames_, std::vector{kExpected}) << "corrupt byte " << corrupt;
    EXPECT_EQ(parser_.UbxState(), UbxParseState::kSync1);
  }
}

TEST_F(UbxParserTest, NeverLooksAgainAtADroppedByte) {
  // The second 0xB5 fails the second sync test, so 0x62 arrives in state 0.
  Bytes stream = {0xB5};
  AppendUbxFrame(0x01, 0x22, kPayload, stream);
  parser_.Parse(stream);
  EXPECT_TRUE(frames_.empty());

  // Sync, then an implausible class, id or length: back to state 0 on that byte.
  const Bytes implausible[] = {
      {0xB5, 0x62, 0xFF}, {0xB5, 0x62, 0x01, 0xFF}, {0xB5, 0x62, 0x01, 0x22, 0x05, 0xFF}};
  for (const Bytes& bytes : implausible) {
    parser_.Parse(std::span(bytes).first(bytes.size() - 1));
    EXPECT_NE(parser_.UbxState(), UbxParseState::kSync1);
    parser_.UbxParseByte(bytes.back());
    EXPECT_EQ(parser_.UbxState(), UbxParseState::kSync1);
  }
}

TEST_F(UbxParserTest, RecoversFromImplausibleLengths) {
  // An empty payload has nothing to wait for.
  const Bytes empty = BuildUbxFrame(0x0A, 0x1B, {});
  parser_.Parse(std::span(empty).first(6));
  EXPECT_EQ(parser_.UbxState(), UbxParseState::kChecksumA);
  parser_.Parse(std::span(empty).subspan(6));
  // 32768 and up: dropped right after the high length byte.
  for (std::uint8_t high : {0x80, 0xC3, 0xFE}) {
    parser_.Parse(Bytes{0xB5, 0x62, 0x01, 0x22, 0x00, high});
    EXPECT_EQ(parser_.UbxState(), UbxParseState::kSync1) << int{high};
  }
  // The longest representable payload still comes through.
  const Bytes large(UbxParser::kMaxPayloadLength, 0xA5);
  parser_.Parse(BuildUbxFrame(0x02, 0x13, large));
  EXPECT_EQ(frames_, (std::vector<Delivered>{{0x0A, 0x1B, {}}, {0x02, 0x13, large}}));
}

}  // namespace
}  // namespace orvane
