#include "control/request_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

// Every line the reader gives for the chunks, a too-long one as "<too long>".
Lines Read(RequestReader& reader, const std::vector<std::string>& chunks) {
  Lines lines;
  for (const std::string& chunk : chunks) {
    reader.Append(chunk);
    while (const auto line = reader.Next()) {
      lines.push_back(line->too_long ? "<too long>" : line->text);
    }
  }
  return lines;
}

TEST(RequestReader, CutsLinesAcrossChunks) {
  RequestReader reader(8);
  EXPECT_EQ(Read(reader, {"ab", "c\nde\r\n\n", "f"}), (Lines{"abc", "de", ""}));
  EXPECT_EQ(reader.Pending(), 1u);
  EXPECT_EQ(Read(reader, {"\n"}), (Lines{"f"}));
}

TEST(RequestReader, ReportsALongLineOnceAndReadsTheNext) {
  struct Case {
    std::vector<std::string> chunks;
    Lines lines;
  };
  const Case cases[] = {
      {{"123456789\nok\n"}, {"<too long>", "ok"}},                    // whole in one chunk
      {{"12345", "6789", "abc", "def\nok\n"}, {"<too long>", "ok"}},  // noticed before its end
      {{"12345678\n"}, {"12345678"}},                                 // exactly the limit
  };
  for (const Case& c : cases) {
    RequestReader reader(8);
    EXPECT_EQ(Read(reader, c.chunks), c.lines);
    EXPECT_EQ(reader.Pending(), 0u);
  }
}

TEST(RequestReader, HoldsNoMoreThanTheLimitOfAnEndlessLine) {
  RequestReader reader(8);
  int too_long = 0;
  for (int i = 0; i < 1000; ++i) {
    reader.Append("xxxxxxxxxxxxxxxx");
    while (const auto line = reader.Next()) too_long += line->too_long;
    EXPECT_LE(reader.Pending(), 8u);
  }
  EXPECT_EQ(too_long, 1);
}

}  // namespace
}  // namespace orvane
