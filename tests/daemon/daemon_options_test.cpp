#include "daemon/daemon_options.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

std::vector<std::string> Words(std::initializer_list<const char*> options) {
  std::vector<std::string> words = {"orvaned"};
  words.insert(words.end(), options.begin(), options.end());
  return words;
}

TEST(ParseDaemonOptions, SimulatedClocksFeedChronydOnlyThroughANamedSocket) {
  const struct {
    std::vector<std::string> words;
    int simulate;
    std::string chrony_socket;
  } cases[] = {
      {Words({}), 0, "/run/orvane.sock"},
      {Words({"--no-chrony"}), 0, ""},
      {Words({"--simulate"}), 1, ""},
      {Words({"--sim-ubx", ORVANE_UBX_CAPTURES_DIR "/gpsd_ublox-lea-4t.log"}), 1, ""},
      {Words({"--simulate=3", "--chrony-sock", "/tmp/x/%s.sock"}), 3, "/tmp/x/%s.sock"},
  };
  for (const auto& c : cases) {
    const ParsedOptions parsed = ParseDaemonOptions(c.words);
    ASSERT_TRUE(parsed.options) << parsed.message;
    EXPECT_EQ(parsed.options->simulate, c.simulate);
    EXPECT_EQ(parsed.options->chrony_socket, c.chrony_socket);
  }
}

TEST(ParseDaemonOptions, ShareAddressAndEstimateDuration) {
  const ParsedOptions parsed =
      ParseDaemonOptions(Words({"--ubx-listen", "2950", "--estimate-offset", "--trace", "-"}));
  ASSERT_TRUE(parsed.options) << parsed.message;
  EXPECT_EQ(parsed.options->ubx_listen, (ListenAddress{"127.0.0.1", 2950}));
  EXPECT_EQ(parsed.options->estimate_offset, std::chrono::seconds(60));
  EXPECT_EQ(parsed.options->trace, "-");
  EXPECT_EQ(ParseDaemonOptions(Words({"--estimate-offset=5"})).options->estimate_offset,
            std::chrono::seconds(5));
}

TEST(ParseDaemonOptions, MistakesExitWithTwoAndHelpWithZero) {
  const struct {
    std::vector<std::string> words;
    int exit_code;
    const char* says;
  } cases[] = {
      {Words({"--simulate=10"}), 2, "--simulate"},
      {Words({"--ubx-listen", "localhost:x"}), 2, "--ubx-listen localhost:x"},
      {Words({"--sim-ubx", "/nonexistent.ubx"}), 2, "/nonexistent.ubx"},
      {Words({"--frobnicate"}), 2, "--frobnicate"},
      {Words({"--no-chrony", "--chrony-sock", "/x"}), 2, "excludes"},
      {Words({"--help"}), 0, "--chrony-sock PATH"},
  };
  for (const auto& c : cases) {
    const ParsedOptions parsed = ParseDaemonOptions(c.words);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exit_code, c.exit_code);
    EXPECT_NE(parsed.message.find(c.says), std::string::npos) << parsed.message;
  }
}

}  // namespace
}  // namespace orvane
