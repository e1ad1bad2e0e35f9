#include "hil/stream_frame_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "protocol/ubx_frame.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Input reports of `length` bytes (report ID, count, flags, stream) carrying `stream` in slices.
std::vector<Bytes> Reports(const Bytes& stream, std::size_t length) {
  std::vector<Bytes> reports;
  for (std::size_t at = 0; at < stream.size(); at += length - 3) {
    Bytes report(length, 0);
    report[2] = 0x80;
    for (std::size_t i = 0; i < length - 3 && at + i < stream.size(); ++i)
      report[3 + i] = stream[at + i];
    reports.push_back(report);
  }
  return reports;
}

TEST(StreamFrameLog, WritesOneLinePerFrameAcrossReportsAndALostReportLosesItsFrameOnly) {
  const std::uint8_t payload[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  Bytes stream = BuildUbxFrame(0x01, 0x22, payload);
  AppendUbxFrame(0x01, 0x21, {}, stream);
  std::vector<Bytes> reports = Reports(stream, 8);
  // A status-only report between slices carries no stream bytes, whatever its tail holds.
  reports.insert(reports.begin() + 1, Bytes{0, 0, 0x02, 0xB5, 0x62, 0x01, 0x07, 0});
  std::ostringstream out;
  StreamFrameLog log(out);
  for (const Bytes& report : reports) log.AddInputReport(report);
  // FNV-1a of the 12 payload bytes, and of none (the offset basis).
  EXPECT_EQ(out.str(), "01 22 12 551D7A95\n01 21 0 811C9DC5\n");
  EXPECT_EQ(log.frame_count(), 2u);
  EXPECT_EQ(log.count(0x01, 0x07), 0u);

  stream.clear();
  for (std::uint8_t id : {0x20, 0x21, 0x22}) AppendUbxFrame(0x01, id, Bytes(10, id), stream);
  reports = Reports(stream, 12);
  reports.erase(reports.begin() + 2);  // bytes 18..26: the middle frame's payload
  StreamFrameLog lossy(out);
  for (const Bytes& report : reports) lossy.AddInputReport(report);
  EXPECT_EQ(lossy.count(0x01, 0x20) + lossy.count(0x01, 0x22), 2u);
  EXPECT_EQ(lossy.count(0x01, 0x21), 0u);
}

}  // namespace
}  // namespace orvane
