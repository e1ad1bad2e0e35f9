#include "service/listen_address.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// What is shown of a good address (a port alone means loopback), or why it is refused.
TEST(ParseListenAddress, PortAloneMeansLoopbackAndRefusalsSayWhatIsWrong) {
  for (const auto& [text, says] : {
           std::pair{"2947", "127.0.0.1:2947"},
           {"[::1]:1", "[::1]:1"},
           {"localhost:2947", "\"localhost\" is not a numeric IPv4 address"},
           {"::1:2947", "an IPv6 address goes in brackets: [ADDR]:PORT"},
       }) {
    std::string error;
    const std::optional<ListenAddress> address = ParseListenAddress(text, &error);
    EXPECT_EQ(address ? address->ToString() : error, says) << text;
  }
}

}  // namespace
}  // namespace orvane
