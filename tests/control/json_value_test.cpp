#include "control/json_value.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

TEST(JsonValue, ReadsEveryKindOfValue) {
  const auto parsed = ParseJson(
      R"( {"a":null,"b":true,"c":false,"d":-12.5e1,"e":"x\"\\\/\n\u00e9\ud83d\ude00","f":[1,[]],"g":{}} )");
  ASSERT_TRUE(parsed.value) << parsed.error;
  const JsonValue& value = *parsed.value;
  EXPECT_TRUE(value.Find("a")->IsNull());
  EXPECT_EQ(*value.Find("b")->AsBool(), true);
  EXPECT_EQ(*value.Find("c")->AsBool(), false);
  EXPECT_EQ(*value.Find("d")->AsNumber(), -125.0);
  EXPECT_EQ(*value.Find("e")->AsString(), "x\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(value.Find("f")->AsArray()->size(), 2u);
  EXPECT_TRUE(value.Find("g")->AsObject()->empty());
  EXPECT_EQ(value.Find("h"), nullptr);
  const std::string deepest = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  EXPECT_TRUE(ParseJson(deepest).value);
}

TEST(JsonValue, RefusesWhatIsNotJson) {
  const std::string nested_too_deeply = std::string(kMaxJsonDepth + 1, '[') + "]";
  for (const std::string text : {"",
                                 "{",
                                 "{\"a\"}",
                                 "{\"a\":1,}",
                                 "[1 2]",
                                 "01",
                                 "1.",
                                 "-",
                                 "1e",
                                 "+1",
                                 "tru",
                                 "nul",
                                 "\"open",
                                 "\"\\x\"",
                                 "\"\\u12\"",
                                 "\"\\ud800\"",
                                 "\"\\udc00\"",
                                 "\"tab\there\"",
                                 "\"\xC3\"",
                                 "\"\xC0\xAF\"",
                                 "\"\xED\xA0\x80\"",
                                 "{\"a\":1,\"a\":2}",
                                 "1e999",
                                 "{} {}",
                                 "{'a':1}",
                                 nested_too_deeply.c_str()}) {
    const auto parsed = ParseJson(text);
    EXPECT_FALSE(parsed.value) << text;
    EXPECT_FALSE(parsed.error.empty()) << text;
  }
}

}  // namespace
}  // namespace orvane
