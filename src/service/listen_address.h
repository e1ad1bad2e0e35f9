#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Where a listening socket binds: numeric addresses only, so nothing depends on name lookup.
struct ListenAddress {
  std::string host = "127.0.0.1";  // IPv4 dotted quad or IPv6 without brackets
  std::uint16_t port = 0;          // 0: any free port

  bool IsIpv6() const { return host.find(':') != std::string::npos; }
  // "127.0.0.1:2947" or "[::1]:2947", as a user would type it.
  std::string ToString() const;
  bool operator==(const ListenAddress&) const = default;
};

// `PORT`, `ADDR:PORT` or `[IPV6]:PORT`, as given to a listening option. On a malformed text,
// nullopt and `*error` says what is wrong.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error);

}  // namespace orvane
