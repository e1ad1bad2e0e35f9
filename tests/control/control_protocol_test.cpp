#include "control/control_protocol.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "control/control_values.h"

namespace orvane {
namespace {

TEST(ControlProtocol, ReadsARequestWithItsArguments) {
  const RequestParse parsed = ParseControlRequest(
      R"({"id":7,"op":"set-frequency","serial":"G60031","hz":10000000,"vco":2,"bw":7})");
  ASSERT_TRUE(parsed.request) << parsed.error.message;
  const ControlRequest& request = *parsed.request;
  EXPECT_EQ(request.id, 7);
  EXPECT_EQ(request.operation->name, "set-frequency");
  EXPECT_TRUE(request.operation->changes);
  EXPECT_EQ(request.serial, "G60031");
  EXPECT_EQ(request.Number("hz"), 10000000.0);
  EXPECT_EQ(request.Integer("vco"), 2);
  EXPECT_EQ(request.Integer("bw"), 7);
  EXPECT_EQ(request.Integer("n2hs"), std::nullopt);
}

TEST(ControlProtocol, RefusesABadRequestWithACodeAndKeepsItsId) {
  struct Case {
    const char* line;
    std::string_view code;
    std::optional<std::int64_t> id;
  };
  const Case cases[] = {
      {"not json", control_error::kMalformed, std::nullopt},
      {"[1]", control_error::kMalformed, std::nullopt},
      {R"({"id":"1","op":"list"})", control_error::kMalformed, std::nullopt},
      {R"({"id":1.5,"op":"list"})", control_error::kMalformed, std::nullopt},
      {R"({"id":2})", control_error::kMalformed, 2},
      {R"({"id":3,"op":7})", control_error::kMalformed, 3},
      {R"({"id":4,"op":"reboot"})", control_error::kUnknownOperation, 4},
      {R"({"id":5,"op":"drive"})", control_error::kBadArgument, 5},
      {R"({"id":6,"op":"drive","ma":"8"})", control_error::kBadArgument, 6},
      {R"({"id":7,"op":"drive","ma":8.5})", control_error::kBadArgument, 7},
      {R"({"id":8,"op":"drive","ma":8,"report":"00 05"})", control_error::kBadArgument, 8},
      {R"({"id":9,"op":"constellations","names":["gps",1]})", control_error::kBadArgument, 9},
      {R"({"id":10,"op":"list","serial":"G60031"})", control_error::kBadArgument, 10},
      {R"({"id":11,"op":"show","serial":60031})", control_error::kBadArgument, 11},
      {R"({"id":12,"op":"program","gps":1,"n31":1})", control_error::kBadArgument, 12},
      {R"({"id":13,"op":"plan","hz":1e400})", control_error::kMalformed, std::nullopt},
  };
  for (const Case& c : cases) {
    const RequestParse parsed = ParseControlRequest(c.line);
    EXPECT_FALSE(parsed.request) << c.line;
    EXPECT_EQ(parsed.error.code, c.code) << c.line;
    EXPECT_FALSE(parsed.error.message.empty()) << c.line;
    EXPECT_EQ(parsed.id, c.id) << c.line;
  }
}

TEST(ControlProtocol, ARequestLineReadsBackAsTheSameRequest) {
  for (
      const char* line :
      {R"({"id":1,"op":"hello","version":1})", R"({"op":"list"})",
       R"({"id":-3,"op":"program","serial":"A\u00e9\"","gps":1,"n31":2,"n2hs":4,"n2ls":5,"n1hs":6,"nc1ls":7,"nc2ls":8})",
       R"({"op":"correction","ppb":-12.25})", R"({"op":"constellations","names":[]})",
       R"({"op":"output","on":false})"}) {
    const RequestParse first = ParseControlRequest(line);
    ASSERT_TRUE(first.request) << line;
    const std::string encoded = ControlRequestLine(*first.request);
    ASSERT_EQ(encoded.back(), '\n');
    EXPECT_EQ(encoded.find('\n'), encoded.size() - 1);
    const RequestParse again = ParseControlRequest(encoded.substr(0, encoded.size() - 1));
    ASSERT_TRUE(again.request) << encoded;
    EXPECT_EQ(again.request->id, first.request->id);
    EXPECT_EQ(again.request->operation, first.request->operation);
    EXPECT_EQ(again.request->serial, first.request->serial);
    EXPECT_EQ(again.request->args, first.request->args);
  }
}

TEST(ControlValues, AConfigurationReadsBackFieldForFieldAndAMissingFieldIsNone) {
  DeviceConfiguration configuration;
  configuration.output_flags = 1;
  configuration.drive_index = 3;
  configuration.dividers = {2875000, 3, 11, 480, 11, 46, 46, 15};
  configuration.tcxo_correction = -7500;
  configuration.ConstellationMask = 0x41;
  std::ostringstream out;
  JsonWriter json(out);
  WriteConfiguration(json, configuration);
  const auto value = ParseJson(out.str()).value;
  ASSERT_TRUE(value) << out.str();
  EXPECT_EQ(ConfigurationFromJson(*value), configuration);

  for (const std::string& text :
       {out.str().replace(out.str().find("\"bw\":15"), 7, "\"bw\":256"),
        out.str().replace(out.str().find("\"output_flags\""), 14, "\"output_flag\"")}) {
    const auto changed = ParseJson(text).value;
    ASSERT_TRUE(changed) << text;
    EXPECT_EQ(ConfigurationFromJson(*changed), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace orvane
