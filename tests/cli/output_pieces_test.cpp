// The small pieces orvanectl prints and parses with.
#include <gtest/gtest.h>

#include <sstream>

#include "control/constellation_names.h"
#include "control/json_writer.h"

namespace orvane {
namespace {

TEST(JsonWriterTest, NestsSeparatesAndEscapes) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("text").String("a\"b\\c\n\x01");
  json.Key("product").String("Horloge \xE9");  // a device's low byte
  json.Key("list").BeginArray().Integer(-3).Number(0.5).Bool(false).Null().EndArray();
  json.Key("empty").BeginObject().EndObject();
  json.Key("nan").Number(std::numeric_limits<double>::quiet_NaN());
  json.EndObject();
  EXPECT_EQ(out.str(), R"({"text":"a\"b\\c\n\u0001","product":"Horloge )"
                       "\xC3\xA9"
                       R"(","list":[-3,0.5,false,null],"empty":{},"nan":null})");
}

TEST(ConstellationNamesTest, ListsTurnIntoTheWindowsMask) {
  const struct {
    const char* list;
    std::optional<std::uint8_t> mask;
  } cases[] = {
      {"gps,glonass", 0x41},
      {"none", 0},
      {"glonas", std::nullopt},
  };
  for (const auto& test : cases) {
    std::string unknown;
    EXPECT_EQ(ConstellationMaskFromList(test.list, &unknown), test.mask) << test.list;
  }
  EXPECT_EQ(ConstellationNamesOf(0xC1), (std::vector<std::string>{"gps", "glonass"}));
}

}  // namespace
}  // namespace orvane
