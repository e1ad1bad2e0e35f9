#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/ubx_messages.h"
#include "engine/ubx_parser.h"

namespace orvane {
namespace {

// Good frames per capture as the captures' README lists them. That table counts with a resync one
// byte after a failed candidate's sync; this parser never looks at a dropped byte again, yet no
// capture hides a good frame inside a failed candidate, so the counts agree exactly (the one bad
// checksum, in BADCK2, is followed by a clean frame boundary). The README's totals row does not
// match its own rows; the rows are what is checked here.
struct Capture {
  const char* file;
  int good;
  int svinfo;
  int clock;
  int timeutc;
};

const Capture kCaptures[] = {
    {"gpsd_navisys-gr701w.log", 423, 81, 80, 0},
    {"gpsd_navisys-gr8013.log", 286, 0, 35, 0},
    {"gpsd_ublox-8-time.log", 284, 9, 0, 0},
    {"gpsd_ublox8-uniqid-monhw.log", 100, 7, 0, 0},
    {"gpsd_ublox-neo-m8t-s.log", 153, 3, 0, 0},
    {"gpsd_ublox-aek-4t.log", 51, 3, 3, 3},
    {"gpsd_ublox-lea-4t.log", 31, 2, 2, 2},
    {"gpsd_u-blox-m8t-time.log", 1511, 0, 0, 151},
    {"gpsd_ublox-zed-f9p-hp.log", 293, 0, 0, 29},
    {"gpsd_ublox-zed-f9p_hpg1.11.log", 1963, 0, 655, 0},
    {"gpsd_ublox-zed-f9r.log", 277, 0, 30, 0},
    {"gpsd_ublox-zed-f9t-ubx_nmea_l5.log", 83, 0, 9, 0},
    {"gpsd_ublox-neo-f9v.log", 53, 0, 4, 4},
    {"gpsd_ublox-glo.log", 2982, 0, 0, 0},
    {"gpsd_ublox-x20p.log", 553, 0, 0, 0},
    {"pyubx2_pygpsdata-MIXED.log", 300, 39, 0, 1},
    {"pyubx2_pygpsdata-MON.log", 12, 0, 0, 0},
    {"pyubx2_pygpsdata-NAV-ZED-X20P.log", 60, 0, 2, 2},
    {"pyubx2_pygpsdata-BADCK2.log", 25, 0, 1, 1},
    {"rtklib_ubx_20080526.ubx", 1084, 0, 0, 0},
    {"ubloxrs_rxm_sfrbx_glo.ubx", 833, 0, 9, 0},
};

class UbxCaptureTest : public ::testing::TestWithParam<Capture> {};

TEST_P(UbxCaptureTest, ParsesTheListedFramesAndDecodesThem) {
  const Capture& capture = GetParam();
  std::ifstream file(std::string(ORVANE_UBX_CAPTURES_DIR) + "/" + capture.file, std::ios::binary);
  ASSERT_TRUE(file) << capture.file;
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
  Capture seen = {capture.file, 0, 0, 0, 0};
  int undecodable = 0;
  UbxParser parser([&](const UbxFrame& frame) {
    ++seen.good;
    if (frame.msg_class != kUbxClassNav) return;
    switch (frame.msg_id) {
      case kUbxIdNavSvInfo:
        ++seen.svinfo;
        undecodable += !DecodeNavSvInfo(frame.payload);
        break;
      case kUbxIdNavClock:
        ++seen.clock;
        undecodable += !DecodeNavClock(frame.payload);
        break;
      case kUbxIdNavTimeUtc:
        ++seen.timeutc;
        undecodable += !DecodeNavTimeUtc(frame.payload);
        break;
    }
  });
  parser.Parse(bytes);
  EXPECT_EQ(seen.good, capture.good);
  EXPECT_EQ(seen.svinfo, capture.svinfo);
  EXPECT_EQ(seen.clock, capture.clock);
  EXPECT_EQ(seen.timeutc, capture.timeutc);
  EXPECT_EQ(undecodable, 0);
}

std::string CaptureName(const ::testing::TestParamInfo<Capture>& info) {
  std::string name = info.param.file;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Captures, UbxCaptureTest, ::testing::ValuesIn(kCaptures), CaptureName);

}  // namespace
}  // namespace orvane
