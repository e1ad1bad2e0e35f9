#pragma once

// Loopback TCP clients for the service's listeners: a connection from a chosen 127.x address
// (so that tests can stand for several peers) and one raw HTTP exchange.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace orvane::testing_support {

// A connected socket from `source` (any 127.x address) to 127.0.0.1:`port`, reads and writes
// giving up after `patience_seconds`, with a receive buffer of `receive_buffer` bytes if given
// (set before connecting, so that the window is small from the start); -1 when refused.
inline int ConnectLoopback(std::uint16_t port, const char* source = "127.0.0.1",
                           int patience_seconds = 10, int receive_buffer = 0) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receive_buffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(int));
  const timeval wait{patience_seconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  sockaddr_in from{AF_INET, 0, {}, {}};
  inet_pton(AF_INET, source, &from.sin_addr);
  const sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
      connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Sends `request` (as much as the server takes) and reads until the server closes or the
// patience runs out; empty when the server closed without an answer.
inline std::string HttpExchange(std::uint16_t port, const std::string& request,
                                const char* source = "127.0.0.1") {
  const int fd = ConnectLoopback(port, source, 20);
  if (fd < 0) return "";
  // The server may answer and close before a long request is all sent.
  for (std::size_t sent = 0, n = 0; sent < request.size(); sent += n) {
    n = std::max<ssize_t>(send(fd, &request[sent], request.size() - sent, MSG_NOSIGNAL), 0);
    if (n == 0) break;
  }
  std::string reply;
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, n);
  close(fd);
  return reply;
}

}  // namespace orvane::testing_support
