#include "service/listen_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>

namespace orvane {
namespace {

std::optional<std::uint16_t> ParsePort(std::string_view text) {
  unsigned value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

bool IsNumericAddress(const std::string& host, bool ipv6) {
  in6_addr bytes{};
  return inet_pton(ipv6 ? AF_INET6 : AF_INET, host.c_str(), &bytes) == 1;
}

}  // namespace

std::string ListenAddress::ToString() const {
  const std::string port_text = ":" + std::to_string(port);
  return IsIpv6() ? "[" + host + "]" + port_text : host + port_text;
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error) {
  ListenAddress address;
  std::string_view port_text = text;
  bool ipv6 = false;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || text.substr(close + 1, 1) != ":") {
      *error = "expected [IPV6]:PORT, got \"" + std::string(text) + "\"";
      return std::nullopt;
    }
    address.host = std::string(text.substr(1, close - 1));
    port_text = text.substr(close + 2);
    ipv6 = true;
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    if (text.find(':') != colon) {
      *error = "an IPv6 address goes in brackets: [ADDR]:PORT";
      return std::nullopt;
    }
    address.host = std::string(text.substr(0, colon));
    port_text = text.substr(colon + 1);
  }
  if (!IsNumericAddress(address.host, ipv6)) {
    *error = "\"" + address.host + "\" is not a numeric " + (ipv6 ? "IPv6" : "IPv4") + " address";
    return std::nullopt;
  }
  const std::optional<std::uint16_t> port = ParsePort(port_text);
  if (!port) {
    *error = "port \"" + std::string(port_text) + "\" is not a number from 1 to 65535";
    return std::nullopt;
  }
  address.port = *port;
  return address;
}

}  // namespace orvane
