#include "daemon/daemon_options.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(ParseDaemonOptions, SimulatedClocksFeedChronydOnlyThroughANamedSocket) {
  const struct {
    std::vector<std::string> words;
    int exit_code;  // -1: parsed
    std::string chrony_socket_or_message;
  } cases[] = {
      {{}, -1, "/run/orvane.sock"},
      {{"--no-chrony"}, -1, ""},
      {{"--sim-ubx", ORVANE_UBX_CAPTURES_DIR "/gpsd_ublox-lea-4t.log"}, -1, ""},
      {{"--simulate=3", "--chrony-sock", "/tmp/%s.sock"}, -1, "/tmp/%s.sock"},
      {{"--sim-scenario", "outage"}, -1, ""},
      {{"--sim-scenario", "leap"}, 2, "--sim-scenario leap: no such scenario; one of outage,"},
      {{"--max-time-error", "0"}, 2, "--max-time-error"},
      {{"--simulate=10"}, 2, "--simulate"},
      {{"--ubx-listen", "localhost:x"}, 2, "--ubx-listen localhost:x"},
      {{"--no-chrony", "--chrony-sock", "/x"}, 2, "excludes"},
      {{"--record-ubx"}, 2, "--record-ubx requires --log-dir"},
      {{"--log-dir", "/x", "--log-keep", "0"}, 2, "--log-keep"},
      {{"--help"}, 0, "--estimate-offset SECONDS"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words = {"orvaned"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    const ParsedOptions parsed = ParseDaemonOptions(words);
    if (c.exit_code < 0) {
      ASSERT_TRUE(parsed.options) << parsed.message;
      EXPECT_EQ(parsed.options->chrony_socket, c.chrony_socket_or_message);
      EXPECT_EQ(parsed.options->simulate > 0, !c.words.empty() && c.words[0] != "--no-chrony");
    } else {
      EXPECT_EQ(parsed.exit_code, c.exit_code);
      EXPECT_NE(parsed.message.find(c.chrony_socket_or_message), std::string::npos)
          << parsed.message;
    }
  }
  // A bare --estimate-offset takes a minute; the alarm command is split on runs of spaces.
  const ParsedOptions parsed = ParseDaemonOptions(
      {"orvaned", "--estimate-offset", "--alarm-exec", " /bin/notify  --to ops"});
  EXPECT_EQ(parsed.options->estimate_offset, std::chrono::seconds(60));
  EXPECT_EQ(parsed.options->alarm_exec, (std::vector<std::string>{"/bin/notify", "--to", "ops"}));
}

TEST(ParseDaemonOptions, TheControlSocketIsNamedOrInTheRuntimeDirectory) {
  EXPECT_EQ(ParseDaemonOptions({"orvaned", "--control-socket", "/tmp/c"}).options->control_socket,
            "/tmp/c");
  EXPECT_EQ(DefaultControlSocket("/run/unit"), "/run/unit/control");
  EXPECT_EQ(DefaultControlSocket(nullptr), "/run/orvane/control");
}

}  // namespace
}  // namespace orvane
