#include "service/listen_address.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(ParseListenAddress, PortAloneMeansLoopback) {
  for (const auto& [text, shown] : {std::pair{"2947", "127.0.0.1:2947"},
                                    {"0.0.0.0:65535", "0.0.0.0:65535"},
                                    {"[::1]:1", "[::1]:1"}}) {
    std::string error;
    const std::optional<ListenAddress> address = ParseListenAddress(text, &error);
    ASSERT_TRUE(address) << text << ": " << error;
    EXPECT_EQ(address->ToString(), shown);
  }
}

TEST(ParseListenAddress, SaysWhatIsWrong) {
  for (const auto& [text, says] : {
           std::pair{"0", "port \"0\" is not a number from 1 to 65535"},
           {"127.0.0.1:65536", "port \"65536\" is not a number from 1 to 65535"},
           {"2947x", "port \"2947x\" is not a number from 1 to 65535"},
           {"localhost:2947", "\"localhost\" is not a numeric IPv4 address"},
           {"[1.2.3.4]:80", "\"1.2.3.4\" is not a numeric IPv6 address"},
           {"::1:2947", "an IPv6 address goes in brackets: [ADDR]:PORT"},
           {"[::1]2947", "expected [IPV6]:PORT, got \"[::1]2947\""},
       }) {
    std::string error;
    EXPECT_FALSE(ParseListenAddress(text, &error)) << text;
    EXPECT_EQ(error, says);
  }
}

}  // namespace
}  // namespace orvane
