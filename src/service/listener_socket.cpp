#include "service/listener_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvane {

int OpenListener(const ListenAddress& address, int backlog, ListenAddress* bound,
                 std::string* error) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.IsIpv6()) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(address.port);
    inet_pton(AF_INET6, address.host.c_str(), &v6.sin6_addr);
    length = sizeof v6;
  } else {
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    v4.sin_family = AF_INET;
    v4.sin_port = htons(address.port);
    inet_pton(AF_INET, address.host.c_str(), &v4.sin_addr);
    length = sizeof v4;
  }
  const int listener = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int reuse = 1;
  const bool listening =
      listener >= 0 && setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) == 0 &&
      bind(listener, reinterpret_cast<const sockaddr*>(&storage), length) == 0 &&
      listen(listener, backlog) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&storage), &length) == 0;
  if (!listening) {
    *error = "cannot listen on " + address.ToString() + ": " + std::strerror(errno);
    if (listener >= 0) close(listener);
    return -1;
  }
  *bound = address;
  bound->port =
      ntohs(storage.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(storage).sin6_port
                                          : reinterpret_cast<const sockaddr_in&>(storage).sin_port);
  return listener;
}

}  // namespace orvane
